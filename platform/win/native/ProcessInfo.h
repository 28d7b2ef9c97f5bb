// Win32 calls behind the process readings (platform/win/ProcessInfo.cpp).
//
// Standard types only: this header is included by backends that also include our own
// Windows-shaped declarations, which clash with the SDK's.
#pragma once

#include <cstdint>

namespace native {

// The current process's memory counters, each widened to 64 bits (the system's are pointer-sized).
struct MemoryCounters {
    std::uint32_t pageFaultCount = 0;
    std::uint64_t peakWorkingSetSize = 0;
    std::uint64_t workingSetSize = 0;
    std::uint64_t quotaPeakPagedPoolUsage = 0;
    std::uint64_t quotaPagedPoolUsage = 0;
    std::uint64_t quotaPeakNonPagedPoolUsage = 0;
    std::uint64_t quotaNonPagedPoolUsage = 0;
    std::uint64_t pagefileUsage = 0;
    std::uint64_t peakPagefileUsage = 0;
};
// False, with the Win32 error in `error`, when the counters cannot be read.
bool ReadProcessMemoryCounters(MemoryCounters& counters, std::uint32_t& error);

// Kernel and user processor time of the current process, in 100-nanosecond units. False, with
// the Win32 error in `error`, when the times cannot be read.
bool ReadProcessTimes(std::uint64_t& kernel100ns, std::uint64_t& user100ns, std::uint32_t& error);

}  // namespace native
