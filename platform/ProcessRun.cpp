// The parts of RunProcess that every backend shares (platform/ProcessBackend.h).
#include <algorithm>

#include "platform/Process.h"
#include "platform/ProcessBackend.h"

int process_backend::RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void process_backend::AppendCapped(std::string& output, const char* data, std::size_t size,
                                   std::size_t maxOutputBytes) {
    const std::size_t room = maxOutputBytes > output.size() ? maxOutputBytes - output.size() : 0;
    output.append(data, std::min(room, size));
}

ProcessOutcome RunProcess(const CString& commandLine, int timeoutMs, size_t maxOutputBytes) {
    const auto args = SplitCommandLine(commandLine.str());
    if (args.empty() || args[0].empty()) {
        ProcessOutcome outcome;
        outcome.status = ProcessStatus::StartFailed;
        return outcome;
    }
    return process_backend::Run(commandLine, args, timeoutMs, maxOutputBytes);
}
