// Child processes on POSIX: posix_spawnp with a pipe, poll with a deadline, kill on time-out.
// The command line is split into arguments by SplitCommandLine (platform/CommandLine.cpp).
#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/ProcessBackend.h"
#include "platform/TextConv.h"

extern char** environ;

namespace {

using process_backend::Clock;
using process_backend::RemainingMs;

// Kills the child's process group and reaps the child.
void KillAndReap(pid_t pid) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

ProcessOutcome process_backend::Run(const CString&, const std::vector<std::wstring>& args, int timeoutMs,
                                    size_t maxOutputBytes) {
    ProcessOutcome outcome;
    std::vector<std::string> narrow;
    for (const auto& arg : args) narrow.push_back(WideToNarrow(arg));
    std::vector<char*> argv;
    for (auto& arg : narrow) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        outcome.status = ProcessStatus::PipeFailed;
        return outcome;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    // Its own process group, so that a time-out ends everything it started.
    ::posix_spawnattr_setpgroup(&attributes, 0);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);

    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        outcome.status = ProcessStatus::StartFailed;
        return outcome;
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    char buffer[4096];
    bool readFailed = false;
    for (;;) {
        const int left = RemainingMs(deadline);
        if (left == 0) {
            ::close(fds[0]);
            KillAndReap(pid);
            outcome.status = ProcessStatus::TimedOut;
            return outcome;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, left);
        if (ready < 0) {
            if (errno == EINTR) continue;
            readFailed = true;
            break;
        }
        if (ready == 0) continue;
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            readFailed = true;
            break;
        }
        if (n == 0) break;  // every writer has closed the pipe
        AppendCapped(outcome.output, buffer, static_cast<size_t>(n), maxOutputBytes);
    }
    ::close(fds[0]);
    if (readFailed) {
        KillAndReap(pid);
        outcome.status = ProcessStatus::ReadFailed;
        return outcome;
    }

    // The output has ended; the process may still be finishing.
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            outcome.status = ProcessStatus::Exited;
            outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return outcome;
        }
        if (done < 0 && errno != EINTR) {
            outcome.status = ProcessStatus::ReadFailed;
            return outcome;
        }
        if (RemainingMs(deadline) == 0) {
            KillAndReap(pid);
            outcome.status = ProcessStatus::TimedOut;
            outcome.output.clear();
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
