// Win32 calls behind child processes (platform/win/Process.cpp): the output pipe, the start of a
// child in a job object, reads bounded by a time limit, and the end of the child.
//
// Standard types only: this header is included by backends that also include our own
// Windows-shaped declarations, which clash with the SDK's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace native {

using Handle = void*;

// One pipe for the child's standard output and standard error: a write end the child inherits,
// and a read end of our own that is read with a time limit (an overlapped named pipe, unique to
// this process and call, that accepts only local clients).
struct OutputPipe {
    Handle read = nullptr;
    Handle write = nullptr;
    Handle readEvent = nullptr;
};
bool CreateOutputPipe(OutputPipe& pipe, std::uint32_t& error);
void CloseWriteEnd(OutputPipe& pipe);
void ClosePipe(OutputPipe& pipe);

struct PipeRead {
    enum Status { Data, End, TimedOut, Failed } status = Failed;
    std::size_t size = 0;     // bytes read, when Data
    std::uint32_t error = 0;  // the Win32 error, when Failed
};
// Reads what the pipe holds, up to `capacity` bytes, waiting at most `timeoutMs` for it. End when
// every write end has been closed.
PipeRead ReadPipe(OutputPipe& pipe, char* buffer, std::size_t capacity, int timeoutMs);

// A started child: its process and the job object that holds it and whatever it starts. `job` is
// null when the process could not be put into a job (a system that refuses nested jobs); the time
// limit then ends the process alone.
struct Child {
    Handle process = nullptr;
    Handle job = nullptr;
};
// Starts the command line as it is (no shell) with standard input on NUL and standard output and
// standard error on `output`, hidden, inheriting only those two handles. False, with the Win32
// error in `error`, when the process cannot be started.
bool StartChild(const std::wstring& commandLine, Handle output, Child& child, std::uint32_t& error);

enum class ChildWait { Exited, TimedOut, Failed };
ChildWait WaitForChild(const Child& child, int timeoutMs);
// The exit code of a child that has ended.
bool GetChildExitCode(const Child& child, std::uint32_t& exitCode);
// Ends the job (the child and everything it started) or, without a job, the child, and waits a
// little for it to be gone.
void KillChild(const Child& child);
void CloseChild(Child& child);

}  // namespace native
