// HTTP GET through WinHTTP, synchronous, with an overall deadline.
//
// WinHTTP's own time limits apply to one step each (resolving, connecting, sending, each wait for
// data); the overall limit is kept by setting the send and receive limits to the time left before
// every step that waits, so a server that drips its answer cannot stretch the download past it.
#include "platform/win/native/Http.h"

// clang-format off
#include <windows.h>
#include <winhttp.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <memory>

namespace native {

namespace {

using Clock = std::chrono::steady_clock;

struct HandleCloser {
    void operator()(HINTERNET handle) const {
        if (handle) WinHttpCloseHandle(handle);
    }
};
using Internet = std::unique_ptr<void, HandleCloser>;

HttpOutcome OutcomeOf(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT:
            return HttpOutcome::timedOut;
        case ERROR_WINHTTP_CANNOT_CONNECT:
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return HttpOutcome::connectFailed;
        case ERROR_WINHTTP_INVALID_URL:
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
            return HttpOutcome::badUrl;
        default:
            return HttpOutcome::transferFailed;
    }
}

HttpGetResult Failed(HttpOutcome outcome, DWORD error, int status = 0) {
    HttpGetResult result;
    result.outcome = outcome;
    result.error = error;
    result.status = status;
    return result;
}

HttpGetResult LastError(int status = 0) {
    const DWORD error = GetLastError();
    return Failed(OutcomeOf(error), error, status);
}

// Milliseconds left before `deadline`, at least 1 while any is left; 0 when it has passed.
DWORD MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, 0x7fffffff));
}

// Limits the next send and wait of `request` to the time left; false when none is left.
bool LimitToDeadline(HINTERNET request, Clock::time_point deadline) {
    DWORD left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    WinHttpSetOption(request, WINHTTP_OPTION_SEND_TIMEOUT, &left, sizeof left);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof left);
    return true;
}

DWORD QueryNumber(HINTERNET request, DWORD which, bool& found) {
    DWORD value = 0;
    DWORD size = sizeof value;
    found = WinHttpQueryHeaders(request, which | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value, &size,
                                WINHTTP_NO_HEADER_INDEX) != FALSE;
    return value;
}

}  // namespace

HttpGetResult HttpGet(const std::wstring& url, int timeoutMs, int connectTimeoutMs, std::uint64_t maxBytes,
                      std::string& body) {
    body.clear();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));

    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return Failed(HttpOutcome::badUrl, GetLastError());
    if ((parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0)
        return Failed(HttpOutcome::badUrl, 0);
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    Internet session(WinHttpOpen(L"QZMonitor/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return LastError();
    const int connectLimit = std::max(1, std::min(connectTimeoutMs, timeoutMs));
    if (!WinHttpSetTimeouts(session.get(), connectLimit, connectLimit, std::max(timeoutMs, 1), std::max(timeoutMs, 1)))
        return LastError();
    Internet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return LastError();
    Internet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                        WINHTTP_DEFAULT_ACCEPT_TYPES,
                                        parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return LastError();
    DWORD redirects = 5;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects);

    if (!LimitToDeadline(request.get(), deadline)) return Failed(HttpOutcome::timedOut, ERROR_WINHTTP_TIMEOUT);
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        return LastError();
    if (!LimitToDeadline(request.get(), deadline)) return Failed(HttpOutcome::timedOut, ERROR_WINHTTP_TIMEOUT);
    if (!WinHttpReceiveResponse(request.get(), nullptr)) return LastError();

    bool found = false;
    const int status = static_cast<int>(QueryNumber(request.get(), WINHTTP_QUERY_STATUS_CODE, found));
    if (!found) return LastError();
    if (status < 200 || status > 299) return Failed(HttpOutcome::httpError, 0, status);
    const DWORD announced = QueryNumber(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, found);
    if (found && announced > maxBytes) return Failed(HttpOutcome::tooLarge, 0, status);

    std::string received;
    char buffer[16384];
    for (;;) {
        if (!LimitToDeadline(request.get(), deadline))
            return Failed(HttpOutcome::timedOut, ERROR_WINHTTP_TIMEOUT, status);
        // A synchronous read waits until its buffer is full or the body ends: ask first what has
        // arrived and read no more than that, so that the deadline is looked at between pieces.
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.get(), &available)) return LastError(status);
        if (available == 0) break;
        DWORD read = 0;
        const DWORD want = std::min<DWORD>(available, sizeof buffer);
        if (!WinHttpReadData(request.get(), buffer, want, &read)) return LastError(status);
        if (read == 0) break;
        if (received.size() + read > maxBytes) return Failed(HttpOutcome::tooLarge, 0, status);
        received.append(buffer, read);
    }
    body = std::move(received);
    HttpGetResult result;
    result.outcome = HttpOutcome::ok;
    result.status = status;
    return result;
}

}  // namespace native
