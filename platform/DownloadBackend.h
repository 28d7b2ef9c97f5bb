// The HTTP transfer behind DownloadUrlToFile (platform/Download.h), one backend per platform
// (platform/posix/Download.cpp, platform/win/Download.cpp). platform/DownloadUrl.cpp checks the
// URL first and puts the body in place afterwards. Internal to the platform layer.
#pragma once

#include <string>

#include "platform/Download.h"

namespace download_backend {

// Fetches `url` (already known to be an http or https URL) within `limits`. True with the whole
// body in `body` when the server answered with success; false otherwise, with the status and the
// codes of the failure in `result`. Either way the server's status and the backend's own code are
// in `result`.
bool Fetch(const CString& url, const DownloadLimits& limits, std::string& body, DownloadResult& result);

}  // namespace download_backend
