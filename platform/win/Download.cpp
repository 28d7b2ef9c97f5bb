// URL download of the Windows backend: WinHTTP (platform/win/native/Http.cpp), then the same
// atomic replacement of the file as on every platform.
#include "platform/Download.h"

#include <string>

#include "platform/File.h"
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

DownloadResult DownloadUrlToFile(const CString& url, const CString& path, const DownloadLimits& limits) {
    DownloadResult result;
    if (!IsHttpUrl(url)) {
        result.status = DownloadStatus::badUrl;
        return result;
    }
    std::string body;
    const native::HttpGetResult got =
        native::HttpGet(url.str(), limits.timeoutMs, limits.connectTimeoutMs, limits.maxBytes, body);
    result.status = StatusOf(got.outcome);
    result.httpStatus = got.status;
    result.systemError = static_cast<long>(got.error);
    if (result.status != DownloadStatus::ok) return result;
    // The body is complete in memory; the file is replaced in one step through a temporary file
    // beside it.
    if (!WriteFileBytesAtomic(path, body)) result.status = DownloadStatus::writeFailed;
    return result;
}

// WinHTTP is part of the system: there is no library to look for.
void SetDownloadLibraryForTesting(const std::string&) {}
