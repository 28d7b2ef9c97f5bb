// The test seams of platform/ProcessInfo.h in front of each platform's process queries
// (platform/ProcessInfoBackend.h), and the copy into the library's 32-bit-shaped records.
#include <algorithm>
#include <limits>
#include <mutex>

#include "platform/ProcessInfo.h"
#include "platform/ProcessInfoBackend.h"

namespace {

std::mutex g_seamMutex;
ProcessMemorySource g_memorySource;
ProcessTimesSource g_timesSource;

FILETIME ToFileTime(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFULL), static_cast<DWORD>(value >> 32)};
}

}  // namespace

DWORD process_info_backend::Clamp32(std::uint64_t value) {
    return static_cast<DWORD>(std::min<std::uint64_t>(value, std::numeric_limits<DWORD>::max()));
}

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
        result.WorkingSetSize = process_info_backend::Clamp32(workingSet);
        result.PeakWorkingSetSize = process_info_backend::Clamp32(peak);
    } else if (!process_info_backend::ReadMemoryCounters(result)) {
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
    if (!(source ? source(kernel, user) : process_info_backend::ReadTimes(kernel, user))) return FALSE;
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
