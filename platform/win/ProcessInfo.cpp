// Resource use of the running process, Windows backend: the system's process memory counters and
// process times, copied into the library's own 32-bit-shaped records.
#include "platform/ProcessInfo.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "platform/win/native/ProcessInfo.h"

namespace {

std::mutex g_seamMutex;
ProcessMemorySource g_memorySource;
ProcessTimesSource g_timesSource;

DWORD Clamp32(std::uint64_t value) {
    return static_cast<DWORD>(std::min<std::uint64_t>(value, std::numeric_limits<DWORD>::max()));
}

FILETIME ToFileTime(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFULL), static_cast<DWORD>(value >> 32)};
}

// The system's counters, field by field: its record is 72 bytes in a 64-bit process, ours 40.
bool ReadRealCounters(PROCESS_MEMORY_COUNTERS& counters) {
    native::MemoryCounters system;
    std::uint32_t error = 0;
    if (!native::ReadProcessMemoryCounters(system, error)) return false;
    counters.PageFaultCount = system.pageFaultCount;
    counters.PeakWorkingSetSize = Clamp32(system.peakWorkingSetSize);
    counters.WorkingSetSize = Clamp32(system.workingSetSize);
    counters.QuotaPeakPagedPoolUsage = Clamp32(system.quotaPeakPagedPoolUsage);
    counters.QuotaPagedPoolUsage = Clamp32(system.quotaPagedPoolUsage);
    counters.QuotaPeakNonPagedPoolUsage = Clamp32(system.quotaPeakNonPagedPoolUsage);
    counters.QuotaNonPagedPoolUsage = Clamp32(system.quotaNonPagedPoolUsage);
    counters.PagefileUsage = Clamp32(system.pagefileUsage);
    counters.PeakPagefileUsage = Clamp32(system.peakPagefileUsage);
    return true;
}

}  // namespace

BOOL GetProcessMemoryInfo(PROCESS_MEMORY_COUNTERS* counters, DWORD cb) {
    if (!counters || cb < sizeof(PROCESS_MEMORY_COUNTERS)) return FALSE;
    ProcessMemorySource source;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        source = g_memorySource;
    }
    PROCESS_MEMORY_COUNTERS result{};
    if (source) {
        // A test source gives the working set and its peak only; the other counters stay 0.
        std::uint64_t workingSet = 0;
        std::uint64_t peak = 0;
        if (!source(workingSet, peak)) return FALSE;
        result.WorkingSetSize = Clamp32(workingSet);
        result.PeakWorkingSetSize = Clamp32(peak);
    } else if (!ReadRealCounters(result)) {
        return FALSE;
    }
    result.cb = sizeof(PROCESS_MEMORY_COUNTERS);
    *counters = result;
    return TRUE;
}

BOOL GetProcessTimes(FILETIME* kernelTime, FILETIME* userTime) {
    if (!kernelTime || !userTime) return FALSE;
    ProcessTimesSource source;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        source = g_timesSource;
    }
    std::uint64_t kernel = 0;
    std::uint64_t user = 0;
    std::uint32_t error = 0;
    if (!(source ? source(kernel, user) : native::ReadProcessTimes(kernel, user, error))) return FALSE;
    *kernelTime = ToFileTime(kernel);
    *userTime = ToFileTime(user);
    return TRUE;
}

void SetProcessMemoryInfoForTesting(ProcessMemorySource source) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_memorySource = std::move(source);
}

void SetProcessTimesForTesting(ProcessTimesSource source) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_timesSource = std::move(source);
}
