// Resource use of the running process, POSIX backend: /proc/self for memory, getrusage for times.
#include "platform/ProcessInfo.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <mutex>

#include "platform/posix/PosixIo.h"

namespace {

std::mutex g_seamMutex;
ProcessMemorySource g_memorySource;
ProcessTimesSource g_timesSource;

bool ReadRealMemory(std::uint64_t& workingSet, std::uint64_t& peak) {
    std::string text;
    if (ReadWholeFile("/proc/self/status", text) && ParseProcStatusMemory(text, workingSet, peak)) return true;
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pageSize <= 0 || !ReadWholeFile("/proc/self/statm", text)) return false;
    if (!ParseProcStatmResident(text, static_cast<std::uint64_t>(pageSize), workingSet)) return false;
    peak = workingSet;
    return true;
}

std::uint64_t To100ns(const struct timeval& tv) {
    return static_cast<std::uint64_t>(tv.tv_sec) * 10000000ULL + static_cast<std::uint64_t>(tv.tv_usec) * 10ULL;
}

bool ReadRealTimes(std::uint64_t& kernel, std::uint64_t& user) {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return false;
    kernel = To100ns(usage.ru_stime);
    user = To100ns(usage.ru_utime);
    return true;
}

DWORD Clamp32(std::uint64_t value) {
    return static_cast<DWORD>(std::min<std::uint64_t>(value, std::numeric_limits<DWORD>::max()));
}

FILETIME ToFileTime(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFULL), static_cast<DWORD>(value >> 32)};
}

}  // namespace

BOOL GetProcessMemoryInfo(PROCESS_MEMORY_COUNTERS* counters, DWORD cb) {
    if (!counters || cb < sizeof(PROCESS_MEMORY_COUNTERS)) return FALSE;
    ProcessMemorySource source;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        source = g_memorySource;
    }
    std::uint64_t workingSet = 0;
    std::uint64_t peak = 0;
    if (!(source ? source(workingSet, peak) : ReadRealMemory(workingSet, peak))) return FALSE;
    *counters = PROCESS_MEMORY_COUNTERS{};
    counters->cb = sizeof(PROCESS_MEMORY_COUNTERS);
    counters->WorkingSetSize = Clamp32(workingSet);
    counters->PeakWorkingSetSize = Clamp32(peak);
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
    if (!(source ? source(kernel, user) : ReadRealTimes(kernel, user))) return FALSE;
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
