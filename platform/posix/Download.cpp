// URL download of the POSIX backend, with libcurl loaded at run time.
//
// The library is opened with dlopen on the first download and its few functions are taken with
// dlsym, so that neither library of the plug-in names libcurl (and through it a TLS stack) as a
// load-time dependency of the host's process. It stays loaded for the life of the process once
// opened: libcurl and its TLS library cannot be unloaded safely. When it cannot be opened, every
// download fails with httpLibraryMissing and nothing else changes.
#define CURL_DISABLE_TYPECHECK
// The protocol bit masks are the fallback for a libcurl older than 7.85 (see Configure).
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>
#include <dlfcn.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/Download.h"
#include "platform/DownloadBackend.h"
#include "platform/TextConv.h"

namespace {

constexpr const char* kDefaultLibrary = "libcurl.so.4";

// The functions of libcurl that a download uses.
struct CurlApi {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
};

std::mutex g_loadMutex;
std::string g_libraryName = kDefaultLibrary;
bool g_loadTried = false;
CurlApi g_loaded;                // the functions of the loaded library (it is never unloaded)
const CurlApi* g_api = nullptr;  // &g_loaded once loaded

template <typename Function>
bool Resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

// libcurl's functions, loading and initialising the library on the first call; null when it
// cannot be loaded. curl_global_init is not thread-safe in every version of the library: it runs
// here, once, under the lock.
const CurlApi* LoadCurl() {
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (g_loadTried) return g_api;
    g_loadTried = true;
    void* library = ::dlopen(g_libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    CurlApi api;
    if (!Resolve(library, "curl_global_init", api.globalInit) || !Resolve(library, "curl_easy_init", api.easyInit) ||
        !Resolve(library, "curl_easy_setopt", api.easySetopt) ||
        !Resolve(library, "curl_easy_perform", api.easyPerform) ||
        !Resolve(library, "curl_easy_getinfo", api.easyGetinfo) ||
        !Resolve(library, "curl_easy_cleanup", api.easyCleanup) || api.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        ::dlclose(library);
        return nullptr;
    }
    g_loaded = api;
    g_api = &g_loaded;
    return g_api;
}

struct Body {
    std::string bytes;
    std::uint64_t cap = 0;
    bool oversized = false;
};

size_t Collect(char* data, size_t size, size_t count, void* context) {
    auto* body = static_cast<Body*>(context);
    const size_t bytes = size * count;
    if (body->bytes.size() + bytes > body->cap) {
        body->oversized = true;
        return 0;  // makes the transfer fail
    }
    body->bytes.append(data, bytes);
    return bytes;
}

DownloadStatus StatusOf(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return DownloadStatus::ok;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return DownloadStatus::badUrl;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
            return DownloadStatus::connectFailed;
        case CURLE_OPERATION_TIMEDOUT:
            return DownloadStatus::timedOut;
        case CURLE_HTTP_RETURNED_ERROR:
            return DownloadStatus::httpError;
        case CURLE_FILESIZE_EXCEEDED:
            return DownloadStatus::tooLarge;
        default:
            return DownloadStatus::transferFailed;
    }
}

// Sets the options of one download; false when the library refuses one that bounds or confines
// it (a download that could not be confined to http and https, or to its limits, is not made).
bool Configure(const CurlApi& api, CURL* handle, const std::string& url, const DownloadLimits& limits, Body& body) {
    bool ok = api.easySetopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK;
    // The protocol lists as text exist from libcurl 7.85 on; older ones take the bit masks.
    if (api.easySetopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") != CURLE_OK ||
        api.easySetopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") != CURLE_OK) {
        const long protocols = CURLPROTO_HTTP | CURLPROTO_HTTPS;
        ok = ok && api.easySetopt(handle, CURLOPT_PROTOCOLS, protocols) == CURLE_OK &&
             api.easySetopt(handle, CURLOPT_REDIR_PROTOCOLS, protocols) == CURLE_OK;
    }
    ok = ok && api.easySetopt(handle, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok = ok && api.easySetopt(handle, CURLOPT_MAXREDIRS, 5L) == CURLE_OK;
    ok = ok && api.easySetopt(handle, CURLOPT_FAILONERROR, 1L) == CURLE_OK;
    // No signals: the download may run on any thread of the host.
    ok = ok && api.easySetopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && api.easySetopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.timeoutMs)) == CURLE_OK;
    ok =
        ok && api.easySetopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeoutMs)) == CURLE_OK;
    ok = ok && api.easySetopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes)) == CURLE_OK;
    ok = ok && api.easySetopt(handle, CURLOPT_WRITEFUNCTION, &Collect) == CURLE_OK;
    ok = ok && api.easySetopt(handle, CURLOPT_WRITEDATA, &body) == CURLE_OK;
    return ok;
}

}  // namespace

namespace download_backend {

bool Fetch(const CString& url, const DownloadLimits& limits, std::string& bodyBytes, DownloadResult& result) {
    const CurlApi* api = LoadCurl();
    if (!api) {
        result.status = DownloadStatus::httpLibraryMissing;
        return false;
    }
    std::unique_ptr<CURL, decltype(api->easyCleanup)> curl(api->easyInit(), api->easyCleanup);
    if (!curl) return false;
    Body body;
    body.cap = limits.maxBytes;
    if (!Configure(*api, curl.get(), WideToNarrow(url), limits, body)) return false;

    const CURLcode code = api->easyPerform(curl.get());
    long status = 0;
    api->easyGetinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    result.httpStatus = static_cast<int>(status);
    result.systemError = code;
    if (body.oversized) {
        result.status = DownloadStatus::tooLarge;
        return false;
    }
    if (code != CURLE_OK) {
        result.status = StatusOf(code);
        return false;
    }
    if (status < 200 || status > 299) {
        result.status = DownloadStatus::httpError;
        return false;
    }
    bodyBytes = std::move(body.bytes);
    return true;
}

}  // namespace download_backend

void SetDownloadLibraryForTesting(const std::string& fileName) {
    std::lock_guard<std::mutex> lock(g_loadMutex);
    g_libraryName = fileName.empty() ? kDefaultLibrary : fileName;
    // A library loaded before stays loaded; the next download looks the new name up.
    g_loadTried = false;
    g_api = nullptr;
}
