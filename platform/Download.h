// Download of a URL to a local file, over http or https, within a size and a time limit.
//
// The body is collected up to the size limit and then written through a temporary file beside the
// target, which replaces the target in one step (WriteFileBytesAtomic): a reader of the target
// sees the old file or the new one, and a failed download of any kind leaves the target as it
// was. Redirects are followed (at most five), to http and https only. A status outside 200-299
// is a failure.
//
// Backends: POSIX uses libcurl, loaded with dlopen on the first download, so that neither library
// of the plug-in pulls the HTTP library and its TLS stack into the host's process at load time;
// a system without libcurl fails each download with httpLibraryMissing. Windows uses WinHTTP.
//
// Thread safety: downloads may run on several threads at once.
#pragma once

#include <cstdint>
#include <string>

#include "platform/CString.h"

enum class DownloadStatus {
    ok,
    badUrl,              // empty, malformed, or a scheme other than http and https
    httpLibraryMissing,  // POSIX: libcurl.so.4 (or a function of it) cannot be loaded
    connectFailed,       // the host name does not resolve, or the connection is refused
    timedOut,            // the connection or the whole download ran past its time limit
    httpError,           // the server answered with a status outside 200-299 (in httpStatus)
    tooLarge,            // the body is (or announces to be) larger than the size limit
    transferFailed,      // any other failure of the transfer (a cut connection, a TLS error...)
    writeFailed,         // the body arrived whole but the target could not be replaced
};

struct DownloadLimits {
    int timeoutMs = 20000;         // the whole download, connection included
    int connectTimeoutMs = 10000;  // establishing the connection
    std::uint64_t maxBytes = 256 * 1024;
};

struct DownloadResult {
    DownloadStatus status = DownloadStatus::transferFailed;
    int httpStatus = 0;    // the last status the server answered with (0: none)
    long systemError = 0;  // the backend's own code (libcurl's CURLcode, a Win32 error)
    explicit operator bool() const { return status == DownloadStatus::ok; }
};

// Downloads `url` (an absolute http or https URL) and replaces the file at `path` with its body.
QZ_HOST_API DownloadResult DownloadUrlToFile(const CString& url, const CString& path, const DownloadLimits& limits);

// True when `url` starts with "http://" or "https://" (in any case) and names a host after it.
QZ_HOST_API bool IsHttpUrl(const CString& url);

// A short English name of a status ("ok", "timedOut", ...), for messages and tests.
QZ_HOST_API const char* DownloadStatusName(DownloadStatus status);

// Tests: the file name of the HTTP library that the POSIX backend loads ("libcurl.so.4"); the
// library is looked for again on the next download. An empty name restores the default. Does
// nothing on Windows.
QZ_HOST_API void SetDownloadLibraryForTesting(const std::string& fileName);
