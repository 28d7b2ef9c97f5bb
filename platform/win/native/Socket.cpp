// Winsock calls behind the TCP probe and the numeric address parser.
#include "platform/win/native/Socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>

namespace native {
namespace {

using Clock = std::chrono::steady_clock;

// Starts Winsock once; its result is kept for every later call.
int StartWinsock() {
    static std::once_flag once;
    static int result = 0;
    std::call_once(once, [] {
        WSADATA data;
        result = ::WSAStartup(MAKEWORD(2, 2), &data);
    });
    return result;
}

// A stream socket that child processes do not inherit (the flag needs Windows 7 SP1; without
// it the socket is made inheritable-by-default as before).
SOCKET OpenSocket(const addrinfo& address) {
    SOCKET s = ::WSASocketW(address.ai_family, address.ai_socktype, address.ai_protocol, nullptr, 0,
                            WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET && ::WSAGetLastError() == WSAEINVAL)
        s = ::WSASocketW(address.ai_family, address.ai_socktype, address.ai_protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
    return s;
}

// Waits until the pending connect of `s` completes or `deadline` passes; true when it connected.
bool AwaitConnect(SOCKET s, Clock::time_point deadline, std::uint32_t& error) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        error = WSAETIMEDOUT;
        return false;
    }
    // A completed connect makes the socket writable; a refused one puts it in the exception set.
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    const long long bounded = std::min<long long>(left, INT_MAX);
    timeval limit;
    limit.tv_sec = static_cast<long>(bounded / 1000);
    limit.tv_usec = static_cast<long>((bounded % 1000) * 1000);
    const int ready = ::select(0, nullptr, &writable, &failed, &limit);
    if (ready <= 0) {
        error = ready == 0 ? static_cast<std::uint32_t>(WSAETIMEDOUT) : static_cast<std::uint32_t>(::WSAGetLastError());
        return false;
    }
    int socketError = 0;
    int length = sizeof socketError;
    ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length);
    if (FD_ISSET(s, &writable) && socketError == 0) return true;
    error = static_cast<std::uint32_t>(socketError != 0 ? socketError : WSAECONNREFUSED);
    return false;
}

// One non-blocking connect bounded by `deadline`; true when it completed.
bool ConnectBefore(const addrinfo& address, Clock::time_point deadline, std::uint32_t& error) {
    const SOCKET s = OpenSocket(address);
    if (s == INVALID_SOCKET) {
        error = static_cast<std::uint32_t>(::WSAGetLastError());
        return false;
    }
    u_long nonBlocking = 1;
    bool connected = false;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        error = static_cast<std::uint32_t>(::WSAGetLastError());
    } else if (::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
        connected = true;
    } else if (::WSAGetLastError() == WSAEWOULDBLOCK) {
        connected = AwaitConnect(s, deadline, error);
    } else {
        error = static_cast<std::uint32_t>(::WSAGetLastError());
    }
    ::closesocket(s);
    return connected;
}

}  // namespace

int TcpConnectMilliseconds(const std::string& host, const std::string& port, int timeoutMs, std::uint32_t& error) {
    error = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    if (const int started = StartWinsock(); started != 0) {
        error = static_cast<std::uint32_t>(started);
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* addresses = nullptr;
    // Name resolution has no time-out of its own; the connects below keep to the deadline.
    if (const int resolved = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &addresses); resolved != 0) {
        error = static_cast<std::uint32_t>(resolved);
        return -1;
    }
    int result = -1;
    for (const addrinfo* a = addresses; a && result < 0; a = a->ai_next) {
        const auto begin = Clock::now();
        if (begin >= deadline) {
            error = WSAETIMEDOUT;
            break;
        }
        if (ConnectBefore(*a, deadline, error)) {
            const auto elapsed = Clock::now() - begin;
            result = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
            error = 0;
        }
    }
    ::freeaddrinfo(addresses);
    return result;
}

bool IsNumericAddress(const std::string& text) {
    if (StartWinsock() != 0) return false;
    in_addr v4{};
    in6_addr v6{};
    return ::inet_pton(AF_INET, text.c_str(), &v4) == 1 || ::inet_pton(AF_INET6, text.c_str(), &v6) == 1;
}

}  // namespace native
