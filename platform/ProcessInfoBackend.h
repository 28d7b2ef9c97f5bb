// The real process queries behind platform/ProcessInfo.h, one backend per platform
// (platform/posix/ProcessInfo.cpp, platform/win/ProcessInfo.cpp). platform/ProcessInfoSeams.cpp
// puts the test seams in front of them. Internal to the platform layer.
#pragma once

#include <cstdint>

#include "platform/ProcessInfo.h"

namespace process_info_backend {

// Fills the counters the platform measures (all but `cb`, which the caller sets) and leaves the
// others as they are; false when the counters cannot be read.
bool ReadMemoryCounters(PROCESS_MEMORY_COUNTERS& counters);
// Kernel and user time of the process in 100-nanosecond units; false when they cannot be read.
bool ReadTimes(std::uint64_t& kernel, std::uint64_t& user);

// A byte count in a 32-bit counter: values above 4 GiB - 1 are clamped, not wrapped.
DWORD Clamp32(std::uint64_t value);

}  // namespace process_info_backend
