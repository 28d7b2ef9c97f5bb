// Disk faults while the host runs: a file where the data directory should be, the data directory
// removed under a running monitor, and a full disk (the platform's file size limit for tests:
// RLIMIT_FSIZE on POSIX, since the tests run as root and permissions deny root nothing; a limit
// that the file class checks on Windows). The host keeps running, no exception but a payload type
// error reaches it, and recording resumes once the data directory or the space is back.
#include <gtest/gtest.h>

#include <boost/any.hpp>
#include <boost/tuple/tuple.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>

#include "host/HostEnvironment.h"
#include "host/Markup.h"
#include "host/ObjectManager.h"
#include "platform/File.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "tests/support/MonitorConfigWriter.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

namespace fs = std::filesystem;

// The monitor configuration of these runs: the kinds the test records.
void WriteConfig(const fs::path& dir) {
    ASSERT_TRUE(WriteMonitorConfig(dir, {{L"MenuCommand", 1, {}, {}}, {L"PopupMenuOpen", 5, {}, {}}}));
}

long LogBytes(const fs::path& dataDir) {
    long bytes = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dataDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("DATA", 0) == 0 && name.find_first_of(".$") == std::string::npos)
            bytes += static_cast<long>(fs::file_size(entry.path()));
    }
    return bytes;
}

// Publishes a round of everything the monitor handles, and asks for the statistics report; any
// exception that reaches the host is returned as text.
std::string HostRound(HostEnvironment& host, int round) {
    try {
        MessagePublisher& bus = host.Publisher();
        bus.publish(L"MenuCommand", boost::any(CString(L"\\\\系统\\连接")));
        bus.publish(L"PopupMenuOpen", boost::any(0));
        bus.publish(L"WorkspaceChanged", boost::any(boost::make_tuple(CString(L"Quotes"), CString())));
        host.Commands().excute(L"OpenQuote", L"600000");
        TRANS_INFO send{round + 1, 2001, round % 60000, 64, false};
        bus.publish(L"TransInfoSend", boost::any(&send));
        bus.publish(L"TransInfoRecv", boost::any(TRANS_INFO{round + 1, 2001, (round + 30) % 60000, 512, false}));
        bus.publish(L"MonitorServerInfo", boost::any(MONITOR_SERVER_INFO{L"quote.example", FALSE, L"09:30:00", 1}));
        if (round % 50 == 0)
            if (auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl")))
                monitor->GetFendrakeProcessInfo();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an exception of unknown type";
    }
    return std::string();
}

class DiskFaults : public ::testing::Test {
protected:
    void SetUp() override {
        WriteConfig(scratch.Dir());
        CWaitableTimer::SetDueTimeScaleForTesting(0.0005);  // a sample every 5 ms
    }
    void TearDown() override { CWaitableTimer::SetDueTimeScaleForTesting(1.0); }
    ScratchHost scratch;
};

}  // namespace

TEST_F(DiskFaults, FileWhereTheDataDirectoryShouldBe) {
    std::ofstream(scratch.Dir() / "Data") << "not a directory";
    HostEnvironment host;
    QZLibInitialize();
    for (int round = 0; round < 200; ++round) ASSERT_EQ(HostRound(host, round), "") << "round " << round;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));

    // The directory comes back: the next operation opens the log again and is recorded.
    fs::remove(scratch.Dir() / "Data");
    fs::create_directories(scratch.DataDir());
    ASSERT_EQ(HostRound(host, 200), "");
    EXPECT_GE(LogBytes(scratch.DataDir()), 16);
    QZLibDestroy();
}

TEST_F(DiskFaults, DataDirectoryRemovedWhileRunning) {
    HostEnvironment host;
    QZLibInitialize();
    for (int round = 0; round < 100; ++round) ASSERT_EQ(HostRound(host, round), "");
    std::error_code ec;
    fs::remove_all(scratch.Dir() / "Data", ec);
#ifdef _WIN32
    if (ec) {
        QZLibDestroy();
        GTEST_SKIP() << "Windows keeps a folder whose files a running process holds open: " << ec.message();
    }
#endif
    ASSERT_FALSE(ec) << ec.message();
    for (int round = 100; round < 300; ++round) ASSERT_EQ(HostRound(host, round), "") << "round " << round;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    QZLibDestroy();

    // The next run makes the directory again and records.
    QZLibInitialize();
    ASSERT_EQ(HostRound(host, 300), "");
    EXPECT_GE(LogBytes(scratch.DataDir()), 16);
    QZLibDestroy();
}

TEST_F(DiskFaults, FullDiskThenSpaceReturns) {
    // Not a multiple of the record size: the record that meets the limit goes out part-way.
    constexpr std::uint64_t kLimit = 4100;
    struct LimitGuard {
        ~LimitGuard() { SetFileSizeLimitForTesting(0); }
    } guard;
    // Every file write beyond kLimit bytes fails (diskFull) from here on.
    ASSERT_TRUE(SetFileSizeLimitForTesting(kLimit));
    HostEnvironment host;
    QZLibInitialize();
    for (int round = 0; round < 600; ++round) ASSERT_EQ(HostRound(host, round), "") << "round " << round;
    const long full = LogBytes(scratch.DataDir());
    EXPECT_LE(full, static_cast<long>(kLimit)) << "a file grew beyond the size limit";
    EXPECT_EQ(full % 16, 0) << "a fragment of a failed record was left in the log";
    ASSERT_TRUE(SetFileSizeLimitForTesting(0));
    for (int round = 600; round < 650; ++round) ASSERT_EQ(HostRound(host, round), "") << "round " << round;
    EXPECT_GE(LogBytes(scratch.DataDir()), full + 50 * 16) << "recording did not resume once space returned";
    QZLibDestroy();
    EXPECT_EQ(LogBytes(scratch.DataDir()) % 16, 0) << "a fragment of a failed record was left in the log";
    for (const auto& entry : fs::directory_iterator(scratch.DataDir())) {
        const std::string name = entry.path().filename().string();
        if ((name.rfind("DATB", 0) != 0 && name.rfind("DATC", 0) != 0) || name.find_first_of(".$") != std::string::npos)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.compare(0, 4, "KVRA") != 0) continue;  // plain content: the next run handles it
        std::uint32_t length = 0;
        for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(bytes[4 + i]);
        EXPECT_EQ(bytes.size(), 8 + (std::uint64_t{length} + 7) / 8 * 8) << name << ": a torn container";
    }
}
