// Process, time and clock services of the platform layer.
//
// Each function has a seam for tests and tools (Set...ForTesting / Set...Override); passing an
// empty function or value restores the real behaviour. Seams are process-wide and thread-safe.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/CString.h"

// Full path of the running process's executable in Windows shape ('\' separators, so callers cut
// the directory before the last '\'), e.g. "\usr\local\bin\monitor-host" on POSIX.
QZ_HOST_API CString GetModuleFileName();
// The executable directory, without trailing '\'. Tools and tests may point it at a folder of
// their own; the module file name then becomes that folder + '\' + the executable's name.
QZ_HOST_API CString GetExecutableDir();
QZ_HOST_API void SetExecutableDirOverride(const CString& dir);

// Current time in seconds since the epoch (64-bit). Tests may supply their own clock.
QZ_HOST_API std::int64_t GetCurrentTime64();
QZ_HOST_API void SetCurrentTimeForTesting(std::function<std::int64_t()> clock);

struct LocalTimeParts {
    int year;    // e.g. 2026
    int month;   // 1..12
    int day;     // 1..31
    int hour;    // 0..23
    int minute;  // 0..59
    int second;  // 0..60
};
// Converts a time value to local time; false when the conversion fails.
QZ_HOST_API bool ToLocalTime(std::int64_t t, LocalTimeParts& parts);
// Converts local calendar parts to a time value (daylight saving left to the system); false when
// the parts cannot be converted. Out-of-range fields are not normalised: they fail.
QZ_HOST_API bool FromLocalTime(const LocalTimeParts& parts, std::int64_t& t);
// Tests may make the local-time conversions fail.
QZ_HOST_API void SetLocalTimeFailureForTesting(bool fail);

// Milliseconds since an arbitrary start, as a 32-bit counter that wraps (like GetTickCount).
QZ_HOST_API DWORD GetTickCount();
QZ_HOST_API void SetTickCountForTesting(std::function<DWORD()> tick);

// Round trip in milliseconds of a TCP connect to `host` (a name or address, optionally ":port";
// port 80 when absent), or a negative value on failure. Bounded by `timeoutMs`.
QZ_HOST_API int TcpConnectTime(const std::string& host, int timeoutMs);

// The calling thread's scheduling priority, Windows-shaped (-1 below normal).
QZ_HOST_API void SetCurrentThreadPriority(int priority);
// The calling thread's priority in the same shape: on POSIX, its nice value against that of the
// process's main thread, five nice levels a step (rounded toward normal); 0 when it cannot be read.
QZ_HOST_API int GetCurrentThreadPriority();
