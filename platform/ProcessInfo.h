// Resource use of the running process: memory counters and processor times, in the shapes of the
// Windows process queries so that the sampler reads the same on every platform.
//
// POSIX backend: the working set is the resident set (VmRSS of /proc/self/status), the peak
// working set its high-water mark (VmHWM); when the status file cannot be read, /proc/self/statm
// gives the resident set and the peak is taken equal to it. Kernel and user times come from
// getrusage(RUSAGE_SELF). Byte counts are 32-bit like the counters of a 32-bit Windows process;
// a value above 4 GiB - 1 is clamped to 0xFFFFFFFF rather than wrapped.
//
// Windows backend: the working set and its peak come from the process memory counters, kernel
// and user times from the process times, both of the system's own queries. The system's counters
// are pointer-sized in a 64-bit process; they are copied field by field and clamped the same way.
//
// The two /proc parsers are written here because neither the standard library nor Boost reads
// these files; they are pure functions over the text (platform/ProcessInfoParsers.cpp, built on
// every platform) so that they are tested with literal snippets.
//
// Every function may be called from any thread. The seams let tests supply their own values;
// passing an empty function restores the real query.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/WinTypes.h"

// The Windows memory counters record of a 32-bit process: ten 32-bit fields, 40 bytes. Only the
// working set fields are measured on POSIX; the other counters are 0.
struct PROCESS_MEMORY_COUNTERS {
    DWORD cb;
    DWORD PageFaultCount;
    DWORD PeakWorkingSetSize;
    DWORD WorkingSetSize;
    DWORD QuotaPeakPagedPoolUsage;
    DWORD QuotaPagedPoolUsage;
    DWORD QuotaPeakNonPagedPoolUsage;
    DWORD QuotaNonPagedPoolUsage;
    DWORD PagefileUsage;
    DWORD PeakPagefileUsage;
};
static_assert(sizeof(PROCESS_MEMORY_COUNTERS) == 40, "the counters record of a 32-bit process is 40 bytes");

// Fills the memory counters of the current process. `cb` is the size of the caller's record and
// must be at least 40; false (record untouched) when it is smaller or the counters cannot be read.
QZ_HOST_API BOOL GetProcessMemoryInfo(PROCESS_MEMORY_COUNTERS* counters, DWORD cb);
// Kernel and user processor time that the current process has used since it started, as counts
// of 100-nanosecond units; false (outputs untouched) when the times cannot be read.
QZ_HOST_API BOOL GetProcessTimes(FILETIME* kernelTime, FILETIME* userTime);

// Seams. A memory source fills the working set and peak working set in bytes; a times source
// fills kernel and user time in 100-nanosecond units. Either returns false to report a failure.
using ProcessMemorySource = std::function<bool(std::uint64_t& workingSet, std::uint64_t& peakWorkingSet)>;
using ProcessTimesSource = std::function<bool(std::uint64_t& kernel100ns, std::uint64_t& user100ns)>;
QZ_HOST_API void SetProcessMemoryInfoForTesting(ProcessMemorySource source);
QZ_HOST_API void SetProcessTimesForTesting(ProcessTimesSource source);

// Parsers of the /proc texts, pure functions over the text.
// "VmRSS:  1234 kB" and "VmHWM:  5678 kB" lines of /proc/PID/status, converted to bytes. True when
// VmRSS is present and well formed; a missing or malformed VmHWM leaves the peak equal to VmRSS.
QZ_HOST_API bool ParseProcStatusMemory(const std::string& text, std::uint64_t& workingSet,
                                       std::uint64_t& peakWorkingSet);
// The second field (resident pages) of /proc/PID/statm, times the page size. True when the first
// two fields are present and well formed.
QZ_HOST_API bool ParseProcStatmResident(const std::string& text, std::uint64_t pageSize, std::uint64_t& workingSet);
