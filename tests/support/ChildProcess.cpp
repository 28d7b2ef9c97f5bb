// posix_spawn with standard output and standard error redirected into two files of a scratch
// folder: reading them after the child has ended needs no pipes and cannot block. Written by
// hand because the process library of Boost needs Boost.Filesystem linked, which the build does
// not have, and the platform layer's RunProcess merges the two streams.
#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const fs::path& workDir, int timeoutMs) {
    static std::atomic<int> counter{0};
    const fs::path capture =
        fs::temp_directory_path() / ("monitor-child-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::create_directories(capture);
    const std::string outFile = (capture / "out").string();
    const std::string errFile = (capture / "err").string();

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The program path is made absolute first: a relative one would be taken from the new folder.
    std::vector<std::string> args = argv;
    if (!args.empty() && args[0].find('/') != std::string::npos) args[0] = fs::absolute(args[0]).string();
    const std::string dir = workDir.empty() ? fs::current_path().string() : workDir.string();
    ::posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<char*> raw;
    for (std::string& arg : args) raw.push_back(arg.data());
    raw.push_back(nullptr);

    ChildResult result;
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned == 0) {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        pid_t waited = 0;
        while ((waited = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (waited == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << args[0] << " still ran after " << timeoutMs << " ms; killed";
        }
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else {
        ADD_FAILURE() << "cannot start " << args[0];
    }
    result.out = Slurp(outFile);
    result.err = Slurp(errFile);
    std::error_code ec;
    fs::remove_all(capture, ec);
    return result;
}

fs::path BinDir() {
    const char* dir = std::getenv("MONITOR_BIN_DIR");
    EXPECT_NE(dir, nullptr) << "MONITOR_BIN_DIR is not set; run the tests through CTest";
    return dir ? fs::path(dir) : fs::path();
}

fs::path Tool(const std::string& name) {
    return BinDir() / name;
}

void CopyHostInstallation(const fs::path& dir, const fs::path& samples) {
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(BinDir()))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), dir / entry.path().filename(), fs::copy_options::overwrite_existing);
    fs::copy(samples, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}
