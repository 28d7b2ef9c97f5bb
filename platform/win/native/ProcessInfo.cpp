// Win32 calls behind the process readings: the process memory counters and process times.
#include "platform/win/native/ProcessInfo.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <psapi.h>

namespace native {
namespace {

std::uint64_t FromFileTime(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

bool ReadProcessMemoryCounters(MemoryCounters& counters, std::uint32_t& error) {
    error = 0;
    PROCESS_MEMORY_COUNTERS system{};
    system.cb = sizeof system;
    if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &system, sizeof system)) {
        error = ::GetLastError();
        return false;
    }
    counters.pageFaultCount = system.PageFaultCount;
    counters.peakWorkingSetSize = system.PeakWorkingSetSize;
    counters.workingSetSize = system.WorkingSetSize;
    counters.quotaPeakPagedPoolUsage = system.QuotaPeakPagedPoolUsage;
    counters.quotaPagedPoolUsage = system.QuotaPagedPoolUsage;
    counters.quotaPeakNonPagedPoolUsage = system.QuotaPeakNonPagedPoolUsage;
    counters.quotaNonPagedPoolUsage = system.QuotaNonPagedPoolUsage;
    counters.pagefileUsage = system.PagefileUsage;
    counters.peakPagefileUsage = system.PeakPagefileUsage;
    return true;
}

bool ReadProcessTimes(std::uint64_t& kernel100ns, std::uint64_t& user100ns, std::uint32_t& error) {
    error = 0;
    FILETIME creation;
    FILETIME exit;
    FILETIME kernel;
    FILETIME user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
        error = ::GetLastError();
        return false;
    }
    kernel100ns = FromFileTime(kernel);
    user100ns = FromFileTime(user);
    return true;
}

}  // namespace native
