#include "tests/support/FileHolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "tests/support/ChildProcess.h"

namespace fs = std::filesystem;

HeldByChild::HeldByChild(const std::string& roleTest, const CString& path, unsigned flags, bool asLock,
                         const std::string& content)
    : m_signals(fs::temp_directory_path() / ("monitor-holder-" + std::to_string(std::random_device{}()))) {
    fs::create_directories(m_signals);
    m_child = StartRole(roleTest, "hold",
                        {{"MONITOR_TEST_PATH", WideToNarrow(path)},
                         {"MONITOR_TEST_FLAGS", std::to_string(flags)},
                         {"MONITOR_TEST_LOCK", asLock ? "1" : "0"},
                         {"MONITOR_TEST_CONTENT", content},
                         {"MONITOR_TEST_SIGNALS", m_signals.string()}});
    m_started = m_child->Started() && WaitForFile(m_signals / "ready");
    EXPECT_TRUE(m_started) << "the holding child did not start";
}

HeldByChild::~HeldByChild() {
    if (m_child && m_started) {
        EXPECT_EQ(Release(), 0) << "the child could not hold the file";
    }
    m_child.reset();
    std::error_code ec;
    fs::remove_all(m_signals, ec);
}

int HeldByChild::Release() {
    if (!m_child || !m_started) return -1;
    m_started = false;
    std::ofstream(m_signals / "release").put('x');
    if (!m_child->Wait(60000)) return -1;
    return m_child->ExitCode();
}

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

[[noreturn]] void Hold() {
    const CString path(NarrowToWide(Variable("MONITOR_TEST_PATH")));
    const unsigned flags = static_cast<unsigned>(std::stoul(Variable("MONITOR_TEST_FLAGS")));
    const std::string content = Variable("MONITOR_TEST_CONTENT");
    const fs::path signals = Variable("MONITOR_TEST_SIGNALS");
    CFile file;
    CFileLock lock;
    const bool held =
        Variable("MONITOR_TEST_LOCK") == "1" ? lock.Lock(path, 0) == CFileLock::locked : file.Open(path, flags);
    if (held && !content.empty()) file.Write(content.data(), static_cast<UINT>(content.size()));
    std::ofstream(signals / "ready").put(held ? '1' : '0');
    if (!WaitForFile(signals / "release", 120000)) std::_Exit(2);
    std::_Exit(held ? 0 : 1);
}

}  // namespace

void PlaySupportRole(const std::string& role) {
    if (role == "hold") Hold();
}
