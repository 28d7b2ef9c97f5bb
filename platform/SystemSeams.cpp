// The test seams of platform/System.h in front of the real clocks and module path, which each
// platform's backend provides (platform/SystemBackend.h).
#include <atomic>
#include <ctime>
#include <mutex>

#include "platform/LocalTimeFields.h"
#include "platform/System.h"
#include "platform/SystemBackend.h"

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

CString DirectoryOverride() {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    return g_executableDirOverride;
}

}  // namespace

CString GetModuleFileName() {
    const CString real = system_backend::ModuleFileName();
    const CString dir = DirectoryOverride();
    if (dir.IsEmpty()) return real;
    return dir + L"\\" + real.Mid(real.ReverseFind(L'\\') + 1);
}

CString GetExecutableDir() {
    const CString dir = DirectoryOverride();
    if (!dir.IsEmpty()) return dir;
    const CString path = system_backend::ModuleFileName();
    const int cut = path.ReverseFind(L'\\');
    return cut < 0 ? CString() : path.Left(cut);
}

void SetExecutableDirOverride(const CString& dir) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_executableDirOverride = dir;
}

std::int64_t GetCurrentTime64() {
    if (!g_clockSet.load()) return system_backend::CurrentTime64();
    std::function<std::int64_t()> clock;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        clock = g_clock;
    }
    if (clock) return clock();
    return system_backend::CurrentTime64();
}

void SetCurrentTimeForTesting(std::function<std::int64_t()> clock) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_clock = std::move(clock);
    g_clockSet.store(static_cast<bool>(g_clock));
}

bool ToLocalTime(std::int64_t t, LocalTimeParts& parts) {
    if (g_localTimeFails.load()) return false;
    std::tm local{};
    if (!system_backend::LocalTime(t, local)) return false;
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
    std::tm local{};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = -1;
    std::int64_t value = 0;
    if (!system_backend::MakeLocalTime(local, value)) return false;
    t = value;
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
    return system_backend::TickCount();
}

void SetTickCountForTesting(std::function<DWORD()> tick) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_tick = std::move(tick);
}
