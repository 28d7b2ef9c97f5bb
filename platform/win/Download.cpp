// The HTTP transfer of the URL download on Windows: WinHTTP (platform/win/native/Http.cpp).
#include "platform/Download.h"

#include <string>

#include "platform/DownloadBackend.h"
#include "platform/win/native/Http.h"

namespace {

DownloadStatus StatusOf(native::HttpOutcome outcome) {
    switch (outcome) {
        case native::HttpOutcome::ok:
            return DownloadStatus::ok;
        case native::HttpOutcome::badUrl:
            return DownloadStatus::badUrl;
        case native::HttpOutcome::connectFailed:
            return DownloadStatus::connectFailed;
        case native::HttpOutcome::timedOut:
            return DownloadStatus::timedOut;
        case native::HttpOutcome::httpError:
            return DownloadStatus::httpError;
        case native::HttpOutcome::tooLarge:
            return DownloadStatus::tooLarge;
        case native::HttpOutcome::transferFailed:
            break;
    }
    return DownloadStatus::transferFailed;
}

}  // namespace

namespace download_backend {

bool Fetch(const CString& url, const DownloadLimits& limits, std::string& body, DownloadResult& result) {
    const native::HttpGetResult got =
        native::HttpGet(url.str(), limits.timeoutMs, limits.connectTimeoutMs, limits.maxBytes, body);
    result.status = StatusOf(got.outcome);
    result.httpStatus = got.status;
    result.systemError = static_cast<long>(got.error);
    return result.status == DownloadStatus::ok;
}

}  // namespace download_backend

// WinHTTP is part of the system: there is no library to look for.
void SetDownloadLibraryForTesting(const std::string&) {}
