// Resource use of the running process, Windows backend: the system's process memory counters and
// process times, copied into the library's own 32-bit-shaped records.
#include "platform/ProcessInfo.h"
#include "platform/ProcessInfoBackend.h"
#include "platform/win/native/ProcessInfo.h"

namespace process_info_backend {

// The system's counters, field by field: its record is 72 bytes in a 64-bit process, ours 40.
bool ReadMemoryCounters(PROCESS_MEMORY_COUNTERS& counters) {
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

bool ReadTimes(std::uint64_t& kernel, std::uint64_t& user) {
    std::uint32_t error = 0;
    return native::ReadProcessTimes(kernel, user, error);
}

}  // namespace process_info_backend
