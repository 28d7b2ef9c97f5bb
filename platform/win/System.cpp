// Process, time and clock services on Windows: the main module's path, the C runtime's 64-bit
// time functions, the system tick counter, Winsock for the TCP probe, thread priorities.
#include "platform/System.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include "platform/HostPort.h"
#include "platform/LocalTimeFields.h"
#include "platform/win/native/Socket.h"
#include "platform/win/native/System.h"

namespace {

// Guards the seams below; the functions they hold are called outside the lock.
std::mutex g_seamMutex;
CString g_executableDirOverride;
std::function<std::int64_t()> g_clock;
// Whether g_clock holds a clock: every recorded user operation reads the time, so the usual case
// (no test clock) costs one load instead of the lock and a copy of the function.
std::atomic<bool> g_clockSet{false};
std::function<DWORD()> g_tick;
std::atomic<bool> g_localTimeFails{false};

CString RealModuleFileName() {
    std::uint32_t error = 0;
    return CString(native::MainModuleFileName(error));
}

CString DirectoryOverride() {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    return g_executableDirOverride;
}

}  // namespace

CString GetModuleFileName() {
    const CString real = RealModuleFileName();
    const CString dir = DirectoryOverride();
    if (dir.IsEmpty()) return real;
    return dir + L"\\" + real.Mid(real.ReverseFind(L'\\') + 1);
}

CString GetExecutableDir() {
    const CString dir = DirectoryOverride();
    if (!dir.IsEmpty()) return dir;
    const CString path = RealModuleFileName();
    const int cut = path.ReverseFind(L'\\');
    return cut < 0 ? CString() : path.Left(cut);
}

void SetExecutableDirOverride(const CString& dir) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_executableDirOverride = dir;
}

std::int64_t GetCurrentTime64() {
    if (!g_clockSet.load()) return static_cast<std::int64_t>(::_time64(nullptr));
    std::function<std::int64_t()> clock;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        clock = g_clock;
    }
    if (clock) return clock();
    return static_cast<std::int64_t>(::_time64(nullptr));
}

void SetCurrentTimeForTesting(std::function<std::int64_t()> clock) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_clock = std::move(clock);
    g_clockSet.store(static_cast<bool>(g_clock));
}

bool ToLocalTime(std::int64_t t, LocalTimeParts& parts) {
    if (g_localTimeFails.load()) return false;
    const __time64_t value = static_cast<__time64_t>(t);
    struct tm local {};
    // Fails (EINVAL) for times before 1970 or after the year 3000.
    if (::_localtime64_s(&local, &value) != 0) return false;
    parts.year = local.tm_year + 1900;
    parts.month = local.tm_mon + 1;
    parts.day = local.tm_mday;
    parts.hour = local.tm_hour;
    parts.minute = local.tm_min;
    parts.second = local.tm_sec;
    return true;
}

bool FromLocalTime(const LocalTimeParts& parts, std::int64_t& t) {
    if (g_localTimeFails.load()) return false;
    if (!AreLocalTimeFieldsInRange(parts)) return false;
    struct tm local {};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = -1;
    // -1 is always a failure here: the runtime's range begins at the epoch (1970) and ends in 3000.
    const __time64_t value = ::_mktime64(&local);
    if (value == static_cast<__time64_t>(-1)) return false;
    t = static_cast<std::int64_t>(value);
    return true;
}

void SetLocalTimeFailureForTesting(bool fail) {
    g_localTimeFails.store(fail);
}

DWORD GetTickCount() {
    std::function<DWORD()> tick;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        tick = g_tick;
    }
    if (tick) return tick();
    return native::TickCount();
}

void SetTickCountForTesting(std::function<DWORD()> tick) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_tick = std::move(tick);
}

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
