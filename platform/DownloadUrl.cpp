// The parts of the URL download that every backend shares.
#include "platform/Download.h"

#include <string>

#include "platform/DownloadBackend.h"
#include "platform/File.h"

namespace {

// `text` starts with the ASCII `prefix`, letters compared without case.
bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        wchar_t ch = text[i];
        if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
        if (ch != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsHttpUrl(const CString& url) {
    const std::wstring& text = url.str();
    size_t hostStart = 0;
    if (StartsWithNoCase(text, L"http://"))
        hostStart = 7;
    else if (StartsWithNoCase(text, L"https://"))
        hostStart = 8;
    else
        return false;
    // A host name (or address) must follow the scheme.
    return hostStart < text.size() && text[hostStart] != L'/' && text[hostStart] != L'?' && text[hostStart] != L'#' &&
           text[hostStart] != L':';
}

const char* DownloadStatusName(DownloadStatus status) {
    switch (status) {
        case DownloadStatus::ok:
            return "ok";
        case DownloadStatus::badUrl:
            return "badUrl";
        case DownloadStatus::httpLibraryMissing:
            return "httpLibraryMissing";
        case DownloadStatus::connectFailed:
            return "connectFailed";
        case DownloadStatus::timedOut:
            return "timedOut";
        case DownloadStatus::httpError:
            return "httpError";
        case DownloadStatus::tooLarge:
            return "tooLarge";
        case DownloadStatus::transferFailed:
            return "transferFailed";
        case DownloadStatus::writeFailed:
            return "writeFailed";
    }
    return "unknown";
}

DownloadResult DownloadUrlToFile(const CString& url, const CString& path, const DownloadLimits& limits) {
    DownloadResult result;
    if (!IsHttpUrl(url)) {
        result.status = DownloadStatus::badUrl;
        return result;
    }
    std::string body;
    if (!download_backend::Fetch(url, limits, body, result)) return result;
    // The body is complete in memory; the file is replaced in one step through a temporary file
    // beside it.
    result.status = WriteFileBytesAtomic(path, body) ? DownloadStatus::ok : DownloadStatus::writeFailed;
    return result;
}
