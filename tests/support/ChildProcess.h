// Runs programs as child processes and captures what they print, so tests see exactly what a user
// at a terminal sees: standard output, standard error and the exit code. Also the child mode of a
// test program: a test that needs a second process (one killed at a random moment, one holding a
// file) runs its own program again with one test selected and a role in the environment.
//
// Standard output and standard error go to two files of a scratch folder: reading them after the
// child has ended needs no pipes and cannot block. One backend per platform (posix/, win/);
// written by hand because the process library of Boost needs Boost.Filesystem linked, which the
// build does not have, and the platform layer's RunProcess merges the two streams.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct ChildResult {
    int exitCode = -1;  // the exit status, 128 + signal number, or -1 when it could not start
    std::string out;    // standard output
    std::string err;    // standard error
};

// Variables added to (or replacing those of) the inherited environment: {name, value}.
using ChildEnvironment = std::vector<std::pair<std::string, std::string>>;

// A running child. Destroying it kills the child when it still runs.
class Child {
public:
    // Starts `argv` (argv[0] a path to the program; on Windows ".exe" may be left out; arguments
    // and environment in UTF-8, on Windows too: pass paths as Utf8(path)) with
    // `workDir` as its current directory (the test's own when empty) and standard input on the
    // null device.
    explicit Child(const std::vector<std::string>& argv, const std::filesystem::path& workDir = {},
                   const ChildEnvironment& environment = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const;
    // Waits at most `timeoutMs` for the child to end; true when it has.
    bool Wait(int timeoutMs);
    // Ends the child at once (SIGKILL, TerminateProcess) and waits for it.
    void Kill();
    // Once ended: the exit status (POSIX: 128 + signal number when a signal ended it).
    int ExitCode() const { return m_exitCode; }
    // What it wrote so far.
    std::string Out() const;
    std::string Err() const;

    struct Native;

private:
    std::filesystem::path m_capture;
    std::unique_ptr<Native> m_native;
    int m_exitCode = -1;
};

// Runs a child to its end. A child still running after `timeoutMs` is killed and the test fails.
ChildResult RunChild(const std::vector<std::string>& argv, const std::filesystem::path& workDir = {},
                     int timeoutMs = 60000, const ChildEnvironment& environment = {});

// A path as UTF-8 text, the form of the children's arguments (path.string() is the ANSI code page
// on Windows, which may lack some of its characters).
inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The running test program.
std::filesystem::path SelfPath();

// Child mode. `StartRole(test, role)` runs this test program again with only the test `test`
// ("Suite.Name") selected and MONITOR_TEST_ROLE=role (plus `environment`). That test calls
// `ChildRole()` first: in the child it gets `role` and plays it (ending with std::_Exit), in a
// normal run it gets "" and skips itself, so that it never runs on its own.
std::unique_ptr<Child> StartRole(const std::string& test, const std::string& role,
                                 const ChildEnvironment& environment = {});
std::string ChildRole();
#define SKIP_UNLESS_CHILD_ROLE(role)      \
    const std::string role = ChildRole(); \
    if (role.empty()) GTEST_SKIP() << "runs only as the child of another test"

// The built tools' folder (MONITOR_BIN_DIR, set by CTest) and a program in it.
std::filesystem::path BinDir();
std::filesystem::path Tool(const std::string& name);

// Lays out a host installation in `dir`: the built programs and libraries (copied, since each
// program takes its own folder as the executable directory) and the host files of `samples`.
void CopyHostInstallation(const std::filesystem::path& dir, const std::filesystem::path& samples);

// Waits until `path` exists (a child's signal that it is ready); false after `timeoutMs`.
bool WaitForFile(const std::filesystem::path& path, int timeoutMs = 30000);

#ifdef MONITOR_SOURCE_DIR
// The sample host files of the source tree (test programs are built with MONITOR_SOURCE_DIR).
inline std::filesystem::path SampleHostDir() {
    return std::filesystem::path(MONITOR_SOURCE_DIR) / "samples" / "host";
}
#endif
