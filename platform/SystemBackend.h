// The real clocks and module path behind platform/System.h, one backend per platform
// (platform/posix/System.cpp, platform/win/System.cpp). platform/SystemSeams.cpp puts the test
// seams in front of them. Internal to the platform layer.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/CString.h"

namespace system_backend {

// Full path of the running executable in Windows shape ('\' separators); empty when it cannot be
// read.
CString ModuleFileName();
// Seconds since the epoch, from the system clock.
std::int64_t CurrentTime64();
// Breaks `t` down into local calendar fields; false when the system cannot convert it.
bool LocalTime(std::int64_t t, std::tm& local);
// The time value of the local calendar fields in `local` (tm_isdst -1: daylight saving left to
// the system); false when the system cannot convert them.
bool MakeLocalTime(std::tm& local, std::int64_t& t);
// Milliseconds since an arbitrary start, as a 32-bit counter that wraps.
DWORD TickCount();

}  // namespace system_backend
