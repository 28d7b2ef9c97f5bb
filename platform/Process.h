// Child processes with their output captured through a pipe, and a time limit.
//
// The command line is one text, split into arguments by the rules of the Windows process start
// (CommandLineToArgvW and the C runtime): blanks and tabs separate arguments; double quotes group
// them; 2n backslashes before a quote give n backslashes and the quote opens or closes a group,
// 2n+1 give n backslashes and a literal quote; other backslashes are literal; "" inside a group is
// a literal quote. The program (first argument) ends at the next blank or, when it starts with a
// quote, at the next quote, without backslash rules. The program is looked up on the PATH (on
// Windows the command line goes to the system as it is, which finds the program its own way). No
// shell is involved: no text of the command line is ever interpreted by one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/CString.h"

QZ_HOST_API std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

enum class ProcessStatus {
    Exited,       // the process ended within the time limit; output holds what it wrote
    PipeFailed,   // the output pipe could not be created
    StartFailed,  // the process could not be started (no such program, empty command line...)
    ReadFailed,   // reading its output failed
    TimedOut,     // the time limit passed: the process was killed with everything it started (its
                  // process group on POSIX, its job object on Windows)
};

struct ProcessOutcome {
    ProcessStatus status = ProcessStatus::StartFailed;
    int exitCode = -1;   // when Exited: the exit status (POSIX: 128 + signal number for a signal)
    std::string output;  // standard output and standard error, interleaved, at most the cap
};

// Runs the command line with standard output and standard error on one pipe and standard input
// on the null device, waits at most `timeoutMs` milliseconds for it to end, and keeps at most
// `maxOutputBytes` of its output (the rest is read and dropped, so the child never blocks on a
// full pipe). Thread-safe.
QZ_HOST_API ProcessOutcome RunProcess(const CString& commandLine, int timeoutMs, size_t maxOutputBytes);

// The system's command line that sends one echo request to the server that follows it.
#if defined(_WIN32)
inline constexpr const wchar_t* kPingOnceCommand = L"ping -n 1 ";
#else
inline constexpr const wchar_t* kPingOnceCommand = L"ping -c 1 ";
#endif
