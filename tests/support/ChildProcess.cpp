// The portable part of the child processes of tests: running to the end, the child mode, the
// tools' folder and the host installation. The process itself is in posix/ and win/.
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

// What the child wrote, with the line ends of a Windows program's text output (CR LF) read as
// the line ends they stand for, so that tests compare lines alike on every platform.
std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
#ifdef _WIN32
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
#endif
    return text;
}

// A capture folder of its own for each child of each test program.
fs::path NewCaptureFolder() {
    static const unsigned long long program =
        std::random_device{}() ^
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    static std::atomic<int> counter{0};
    const fs::path capture = fs::temp_directory_path() / ("monitor-child-" + std::to_string(program % 1000000007) +
                                                          "-" + std::to_string(counter++));
    fs::create_directories(capture);
    return capture;
}

}  // namespace

std::string Child::Out() const {
    return Slurp(m_capture / "out");
}

std::string Child::Err() const {
    return Slurp(m_capture / "err");
}

ChildResult RunChild(const std::vector<std::string>& argv, const fs::path& workDir, int timeoutMs,
                     const ChildEnvironment& environment) {
    ChildResult result;
    Child child(argv, workDir, environment);
    if (!child.Started()) {
        ADD_FAILURE() << "cannot start " << (argv.empty() ? std::string() : argv[0]);
        return result;
    }
    if (!child.Wait(timeoutMs)) {
        child.Kill();
        ADD_FAILURE() << argv[0] << " still ran after " << timeoutMs << " ms; killed";
    }
    result.exitCode = child.ExitCode();
    result.out = child.Out();
    result.err = child.Err();
    return result;
}

std::unique_ptr<Child> StartRole(const std::string& test, const std::string& role,
                                 const ChildEnvironment& environment) {
    ChildEnvironment withRole = environment;
    withRole.emplace_back("MONITOR_TEST_ROLE", role);
    return std::make_unique<Child>(
        std::vector<std::string>{Utf8(SelfPath()), "--gtest_filter=" + test, "--gtest_also_run_disabled_tests"},
        fs::path(), withRole);
}

std::string ChildRole() {
    const char* role = std::getenv("MONITOR_TEST_ROLE");
    return role ? role : "";
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

bool WaitForFile(const fs::path& path, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::error_code ec;
    while (!fs::exists(path, ec)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The capture folder is made by the backend's constructor through this.
fs::path ChildCaptureFolder() {
    return NewCaptureFolder();
}
