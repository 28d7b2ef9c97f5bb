// Runs the built command-line tools as child processes and captures what they print, so tests
// see exactly what a user at a terminal sees: standard output, standard error and the exit code.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ChildResult {
    int exitCode = -1;  // the exit status, 128 + signal number, or -1 when it could not start
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs `argv` (argv[0] a path to the program) with `workDir` as its current directory (the
// test's own when empty) and standard input on the null device. A child still running after
// `timeoutMs` is killed and the test fails.
ChildResult RunChild(const std::vector<std::string>& argv, const std::filesystem::path& workDir = {},
                     int timeoutMs = 60000);

// The built tools' folder (MONITOR_BIN_DIR, set by CTest) and a program in it.
std::filesystem::path BinDir();
std::filesystem::path Tool(const std::string& name);

// Lays out a host installation in `dir`: the built programs and libraries (copied, since each
// program takes its own folder as the executable directory) and the host files of `samples`.
void CopyHostInstallation(const std::filesystem::path& dir, const std::filesystem::path& samples);

#ifdef MONITOR_SOURCE_DIR
// The sample host files of the source tree (test programs are built with MONITOR_SOURCE_DIR).
inline std::filesystem::path SampleHostDir() {
    return std::filesystem::path(MONITOR_SOURCE_DIR) / "samples" / "host";
}
#endif
