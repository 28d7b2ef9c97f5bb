// The child process behind RunProcess (platform/Process.h), one backend per platform
// (platform/posix/Process.cpp, platform/win/Process.cpp). platform/ProcessRun.cpp refuses a
// command line that names no program before a backend sees it. Internal to the platform layer.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace process_backend {

using Clock = std::chrono::steady_clock;

// RunProcess for a command line whose arguments `args` (split from it) name a program.
ProcessOutcome Run(const CString& commandLine, const std::vector<std::wstring>& args, int timeoutMs,
                   std::size_t maxOutputBytes);

// Milliseconds left until `deadline`, 0 once it has passed.
int RemainingMs(Clock::time_point deadline);
// Appends what of `data` still fits under `maxOutputBytes`; the rest is dropped.
void AppendCapped(std::string& output, const char* data, std::size_t size, std::size_t maxOutputBytes);

}  // namespace process_backend
