// Child processes on Windows: CreateProcessW with the command line as given (no shell), its
// output on one pipe read with a deadline, and a job object that the time limit ends, so that
// whatever the child started ends with it.
#include "platform/Process.h"

#include <chrono>

#include "platform/ProcessBackend.h"
#include "platform/win/native/Process.h"

namespace {

using process_backend::Clock;
using process_backend::RemainingMs;

// Closes the pipe and the child's handles on every way out.
struct RunHandles {
    ~RunHandles() {
        native::ClosePipe(pipe);
        native::CloseChild(child);
    }
    native::OutputPipe pipe;
    native::Child child;
};

}  // namespace

ProcessOutcome process_backend::Run(const CString& commandLine, const std::vector<std::wstring>&, int timeoutMs,
                                    size_t maxOutputBytes) {
    ProcessOutcome outcome;
    RunHandles handles;
    std::uint32_t error = 0;
    if (!native::CreateOutputPipe(handles.pipe, error)) {
        outcome.status = ProcessStatus::PipeFailed;
        return outcome;
    }
    const bool started = native::StartChild(commandLine.str(), handles.pipe.write, handles.child, error);
    // Our copy of the write end goes at once: the output ends when every child has closed its own.
    native::CloseWriteEnd(handles.pipe);
    if (!started) {
        outcome.status = ProcessStatus::StartFailed;
        return outcome;
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    char buffer[4096];
    for (bool ended = false; !ended;) {
        const int left = RemainingMs(deadline);
        if (left == 0) {
            native::KillChild(handles.child);
            outcome.status = ProcessStatus::TimedOut;
            return outcome;
        }
        const native::PipeRead read = native::ReadPipe(handles.pipe, buffer, sizeof buffer, left);
        switch (read.status) {
            case native::PipeRead::Data: {
                AppendCapped(outcome.output, buffer, read.size, maxOutputBytes);
                break;
            }
            case native::PipeRead::End:
                ended = true;
                break;
            case native::PipeRead::TimedOut:
                break;  // the deadline is checked at the top
            case native::PipeRead::Failed:
                native::KillChild(handles.child);
                outcome.status = ProcessStatus::ReadFailed;
                return outcome;
        }
    }

    // The output has ended; the process may still be finishing.
    switch (native::WaitForChild(handles.child, RemainingMs(deadline))) {
        case native::ChildWait::Exited:
            break;
        case native::ChildWait::TimedOut:
            native::KillChild(handles.child);
            outcome.status = ProcessStatus::TimedOut;
            outcome.output.clear();
            return outcome;
        case native::ChildWait::Failed:
            native::KillChild(handles.child);
            outcome.status = ProcessStatus::ReadFailed;
            return outcome;
    }
    std::uint32_t exitCode = 0;
    if (!native::GetChildExitCode(handles.child, exitCode)) {
        outcome.status = ProcessStatus::ReadFailed;
        return outcome;
    }
    outcome.status = ProcessStatus::Exited;
    outcome.exitCode = static_cast<int>(exitCode);
    return outcome;
}
