// Reading the result of one run of the system's ping command from its output.
#pragma once

#include <string>

#include "platform/WinTypes.h"

// The average round trip in milliseconds, or a negative code:
//   -1  the request timed out ("Request timed out", or a POSIX summary with every packet lost),
//       or a summary was found whose number does not read;
//   -2  "Source quench received" (POSIX: "Source Quench");
//   -3  no summary at all.
// Windows summaries read "Average = 12ms"; POSIX ones "rtt min/avg/max/mdev = 0.1/12.4/.../... ms"
// (or "round-trip min/avg/max = ..."), whose average is rounded to the nearest millisecond.
// Pure, total over any text.
QZ_MONITOR_API int ParsePingOutput(const std::wstring& output);
