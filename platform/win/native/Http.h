// HTTP GET through WinHTTP, in standard C++ types only (no SDK type crosses this header).
#pragma once

#include <cstdint>
#include <string>

namespace native {

enum class HttpOutcome {
    ok,
    badUrl,          // not an absolute http or https URL
    connectFailed,   // the name does not resolve or the connection is refused
    timedOut,        // a step or the whole download ran past its limit
    httpError,       // a status outside 200-299
    tooLarge,        // the body is (or announces to be) larger than maxBytes
    transferFailed,  // anything else
};

struct HttpGetResult {
    HttpOutcome outcome = HttpOutcome::transferFailed;
    int status = 0;           // the HTTP status of the response (0: none received)
    std::uint32_t error = 0;  // GetLastError() of the call that failed (0: none)
};

// Fetches `url` (http or https, redirects followed up to five times) into `body`, within
// `timeoutMs` for the whole download and `connectTimeoutMs` for resolving and connecting, and at
// most `maxBytes` of body. `body` holds the whole body only when the outcome is ok.
HttpGetResult HttpGet(const std::wstring& url, int timeoutMs, int connectTimeoutMs, std::uint64_t maxBytes,
                      std::string& body);

}  // namespace native
