// Child processes of tests on POSIX: posix_spawn with standard output and standard error in two
// files of the capture folder, waitpid, SIGKILL.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "tests/support/ChildProcess.h"

extern char** environ;

namespace fs = std::filesystem;

fs::path ChildCaptureFolder();

struct Child::Native {
    pid_t pid = 0;
    bool running = false;
};

Child::Child(const std::vector<std::string>& argv, const fs::path& workDir, const ChildEnvironment& environment)
    : m_capture(ChildCaptureFolder()), m_native(std::make_unique<Native>()) {
    if (argv.empty()) return;
    const std::string outFile = (m_capture / "out").string();
    const std::string errFile = (m_capture / "err").string();
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The program path is made absolute first: a relative one would be taken from the new folder.
    std::vector<std::string> args = argv;
    if (args[0].find('/') != std::string::npos) args[0] = fs::absolute(args[0]).string();
    const std::string dir = workDir.empty() ? fs::current_path().string() : workDir.string();
    ::posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<char*> rawArgs;
    for (std::string& arg : args) rawArgs.push_back(arg.data());
    rawArgs.push_back(nullptr);

    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : environment) variables[name] = value;
    std::vector<std::string> lines;
    for (const auto& [name, value] : variables) lines.push_back(name + "=" + value);
    std::vector<char*> rawEnvironment;
    for (std::string& line : lines) rawEnvironment.push_back(line.data());
    rawEnvironment.push_back(nullptr);

    pid_t pid = 0;
    if (::posix_spawn(&pid, rawArgs[0], &actions, nullptr, rawArgs.data(), rawEnvironment.data()) == 0) {
        m_native->pid = pid;
        m_native->running = true;
    }
    ::posix_spawn_file_actions_destroy(&actions);
}

Child::~Child() {
    if (m_native->running) Kill();
    std::error_code ec;
    fs::remove_all(m_capture, ec);
}

bool Child::Started() const {
    return m_native->pid > 0;
}

bool Child::Wait(int timeoutMs) {
    if (!m_native->running) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t waited = ::waitpid(m_native->pid, &status, WNOHANG);
        if (waited == m_native->pid) {
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            m_native->running = false;
            return true;
        }
        if (waited < 0 || std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void Child::Kill() {
    if (!m_native->running) return;
    ::kill(m_native->pid, SIGKILL);
    int status = 0;
    if (::waitpid(m_native->pid, &status, 0) == m_native->pid)
        m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    m_native->running = false;
}

fs::path SelfPath() {
    return fs::read_symlink("/proc/self/exe");
}
