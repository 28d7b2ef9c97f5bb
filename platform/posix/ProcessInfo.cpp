// Resource use of the running process, POSIX backend: /proc/self for memory, getrusage for times.
#include <sys/resource.h>
#include <unistd.h>

#include "platform/ProcessInfo.h"
#include "platform/ProcessInfoBackend.h"
#include "platform/posix/PosixIo.h"

namespace {

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

}  // namespace

namespace process_info_backend {

// Only the working set and its peak are measured here; the other counters stay as they are.
bool ReadMemoryCounters(PROCESS_MEMORY_COUNTERS& counters) {
    std::uint64_t workingSet = 0;
    std::uint64_t peak = 0;
    if (!ReadRealMemory(workingSet, peak)) return false;
    counters.WorkingSetSize = Clamp32(workingSet);
    counters.PeakWorkingSetSize = Clamp32(peak);
    return true;
}

bool ReadTimes(std::uint64_t& kernel, std::uint64_t& user) {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return false;
    kernel = To100ns(usage.ru_stime);
    user = To100ns(usage.ru_utime);
    return true;
}

}  // namespace process_info_backend
