// Process, time and clock services on POSIX.
#include "platform/System.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "platform/HostPort.h"
#include "platform/SystemBackend.h"
#include "platform/TextConv.h"

namespace {

// One non-blocking connect bounded by `deadline`; true when it completed.
bool ConnectBefore(const addrinfo& address, std::chrono::steady_clock::time_point deadline) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) return false;
    bool connected = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    if (!connected && (errno == EINPROGRESS || errno == EINTR)) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd entry{fd, POLLOUT, 0};
            const int rc = ::poll(&entry, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
            if (rc < 0 && errno == EINTR) continue;
            if (rc > 0) {
                int error = 0;
                socklen_t length = sizeof error;
                connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
            }
            break;
        }
    }
    ::close(fd);
    return connected;
}

}  // namespace

namespace system_backend {

CString ModuleFileName() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return CString();
        if (static_cast<size_t>(n) < buffer.size()) {
            CString path(NarrowToWide(std::string(buffer.data(), static_cast<size_t>(n))));
            path.Replace(L'/', L'\\');
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::int64_t CurrentTime64() {
    return static_cast<std::int64_t>(::time(nullptr));
}

bool LocalTime(std::int64_t t, std::tm& local) {
    const time_t value = static_cast<time_t>(t);
    if (static_cast<std::int64_t>(value) != t) return false;
    return ::localtime_r(&value, &local) != nullptr;
}

bool MakeLocalTime(std::tm& local, std::int64_t& t) {
    local.tm_wday = -1;  // mktime sets it on success: tells a failure from the valid result -1
    const time_t value = ::mktime(&local);
    if (value == static_cast<time_t>(-1) && local.tm_wday == -1) return false;
    t = static_cast<std::int64_t>(value);
    return true;
}

DWORD TickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);  // wraps every 49.7 days, like the Windows counter
}

}  // namespace system_backend

int TcpConnectTime(const std::string& hostText, int timeoutMs) {
    std::string host;
    std::string port;
    if (!SplitHostPort(hostText, host, port)) return -1;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(std::max(timeoutMs, 0));

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    // Name resolution has no time-out of its own; the connects below keep to the deadline.
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &addresses) != 0) return -1;
    int result = -1;
    for (const addrinfo* a = addresses; a && result < 0; a = a->ai_next) {
        const auto begin = std::chrono::steady_clock::now();
        if (begin >= deadline) break;
        if (ConnectBefore(*a, deadline)) {
            const auto elapsed = std::chrono::steady_clock::now() - begin;
            result = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
        }
    }
    ::freeaddrinfo(addresses);
    return result;
}

void SetCurrentThreadPriority(int priority) {
    // Windows priorities run from -2 (lowest) to 2 (highest), with -15 idle and 15 time-critical;
    // each step is five nice levels, relative to the process's own niceness.
    errno = 0;
    const int base = ::getpriority(PRIO_PROCESS, 0);
    if (base == -1 && errno != 0) return;
    const int nice = std::clamp(base - 5 * std::clamp(priority, -15, 15), -20, 19);
    // Raising the priority needs a privilege the process may not have; the request is then ignored.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice);
}

int GetCurrentThreadPriority() {
    errno = 0;
    const int process = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
    const int thread = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (errno != 0) return 0;
    return (process - thread) / 5;
}
