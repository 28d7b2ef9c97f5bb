// Process, time and clock services on Windows: the main module's path, the C runtime's 64-bit
// time functions, the system tick counter, Winsock for the TCP probe, thread priorities.
#include "platform/System.h"

#include <time.h>

#include <algorithm>
#include <string>

#include "platform/HostPort.h"
#include "platform/SystemBackend.h"
#include "platform/win/native/Socket.h"
#include "platform/win/native/System.h"

namespace system_backend {

CString ModuleFileName() {
    std::uint32_t error = 0;
    return CString(native::MainModuleFileName(error));
}

std::int64_t CurrentTime64() {
    return static_cast<std::int64_t>(::_time64(nullptr));
}

bool LocalTime(std::int64_t t, std::tm& local) {
    const __time64_t value = static_cast<__time64_t>(t);
    // Fails (EINVAL) for times before 1970 or after the year 3000.
    return ::_localtime64_s(&local, &value) == 0;
}

bool MakeLocalTime(std::tm& local, std::int64_t& t) {
    // -1 is always a failure here: the runtime's range begins at the epoch (1970) and ends in 3000.
    const __time64_t value = ::_mktime64(&local);
    if (value == static_cast<__time64_t>(-1)) return false;
    t = static_cast<std::int64_t>(value);
    return true;
}

DWORD TickCount() {
    return native::TickCount();
}

}  // namespace system_backend

int TcpConnectTime(const std::string& hostText, int timeoutMs) {
    std::string host;
    std::string port;
    if (!SplitHostPort(hostText, host, port)) return -1;
    std::uint32_t error = 0;
    return native::TcpConnectMilliseconds(host, port, timeoutMs, error);
}

void SetCurrentThreadPriority(int priority) {
    // The system takes -2 (lowest) to 2 (highest), -15 (idle) and 15 (time-critical); other values
    // are brought to the nearest of those, as the POSIX backend clamps its nice levels.
    const int level = priority <= -15 ? -15 : priority >= 15 ? 15 : std::clamp(priority, -2, 2);
    std::uint32_t error = 0;
    // Raising the priority may need a privilege the process lacks; the request is then ignored.
    native::SetCurrentThreadPriority(level, error);
}

int GetCurrentThreadPriority() {
    int level = 0;
    std::uint32_t error = 0;
    return native::GetCurrentThreadPriority(level, error) ? level : 0;
}
