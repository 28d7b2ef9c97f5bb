// Crash safety: a child process runs the monitor (records operations, samples every few
// milliseconds, rewrites and scrambles the statistics file) and is killed at a random moment, many
// times over in the same data directory. After every kill, each record acknowledged before the
// kill is in the operation log, the log holds whole records only, and every scrambled data file
// is either a whole container or plain content; a final normal run removes the leftover "$" files
// and reads both files.
//
// The child is this test program again in a child role, killed with SIGKILL on POSIX and
// TerminateProcess on Windows, which is what this test is about. MONITOR_CRASH_RUNS sets the
// number of kills (default 40).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "host/HostEnvironment.h"
#include "host/Markup.h"
#include "host/ObjectManager.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "store/Container.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorConfigWriter.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

namespace fs = std::filesystem;

int Runs() {
    const char* text = std::getenv("MONITOR_CRASH_RUNS");
    const int runs = text ? std::atoi(text) : 0;
    return runs > 0 ? runs : 40;
}

// The monitor configuration of these runs: the kinds the test records.
void WriteConfig(const fs::path& dir) {
    ASSERT_TRUE(WriteMonitorConfig(dir, {{L"MenuCommand", 1, {{L"||系统|连接", 1}}, {}}}));
}

// The child: runs the monitor in the host folder MONITOR_TEST_HOST and acknowledges each recorded
// operation with one byte appended to the file MONITOR_TEST_ACK once the handler has returned
// (one unbuffered write each: what was written survives the kill). Never returns.
[[noreturn]] void RecordUntilKilled() {
    SetExecutableDirOverride(NarrowToWide(std::getenv("MONITOR_TEST_HOST")));
    std::FILE* ack = std::fopen(std::getenv("MONITOR_TEST_ACK"), "ab");
    if (!ack) std::_Exit(2);
    std::setvbuf(ack, nullptr, _IONBF, 0);
    HostEnvironment host;
    CWaitableTimer::SetDueTimeScaleForTesting(0.0002);  // a sample every 2 ms
    QZLibInitialize();
    auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    for (int i = 0;; ++i) {
        host.Publisher().publish(L"MenuCommand", boost::any(CString(L"\\\\系统\\连接")));
        if (std::fputc('r', ack) == EOF) std::_Exit(2);
        TRANS_INFO send{i + 1, 2001, i % 60000, 64, false};
        host.Publisher().publish(L"TransInfoSend", boost::any(&send));
        host.Publisher().publish(L"TransInfoRecv", boost::any(TRANS_INFO{i + 1, 2001, (i + 30) % 60000, 512, false}));
        if (i % 25 == 0 && monitor) monitor->GetFendrakeProcessInfo();  // rewrites the statistics file
    }
}

// Starts a child in `host`, kills it `delay` after its monitor began to start and returns the number of operations it
// acknowledged.
long KillChildAfter(const fs::path& host, std::chrono::microseconds delay) {
    const fs::path ackFile = host / "ack";
    fs::remove(ackFile);
    auto child = StartRole("CrashSafety.ChildRole", "record",
                           {{"MONITOR_TEST_HOST", Utf8(host)}, {"MONITOR_TEST_ACK", Utf8(ackFile)}});
    // The delay counts from the moment the child opens its acknowledgement file, just before the
    // monitor starts, so that the start of a process does not use it up.
    if (!child->Started() || !WaitForFile(ackFile)) return -1;
    std::this_thread::sleep_for(delay);
    child->Kill();
    std::error_code ec;
    const auto acknowledged = fs::file_size(ackFile, ec);
    return ec ? 0 : static_cast<long>(acknowledged);
}

// A data file that the monitor scrambles: either a whole container or plain content.
void ExpectContainerOrPlain(const fs::path& path) {
    const std::string bytes = ReadAll(path);
    if (bytes.compare(0, 4, "KVRA") != 0) return;  // plain: the next run scrambles it
    ASSERT_GE(bytes.size(), 8u) << path;
    std::uint32_t length = 0;
    for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(bytes[4 + i]);
    EXPECT_EQ(bytes.size(), 8 + (std::uint64_t{length} + 7) / 8 * 8) << path << ": a torn container";
}

long RecordsInLog(const fs::path& dataDir, bool& whole) {
    long bytes = 0;
    for (const auto& entry : fs::directory_iterator(dataDir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("DATA", 0) == 0 && name.find_first_of(".$") == std::string::npos)
            bytes += static_cast<long>(fs::file_size(entry.path()));
    }
    whole = bytes % 16 == 0;
    return bytes / 16;
}

}  // namespace

TEST(CrashSafety, ChildRole) {
    SKIP_UNLESS_CHILD_ROLE(role);
    if (role == "record") RecordUntilKilled();
    std::_Exit(3);
}

TEST(CrashSafety, KilledAtRandomMomentsLosesNothingAcknowledged) {
    ScratchHost scratch;
    WriteConfig(scratch.Dir());
    std::mt19937 random(20240611);
    // Microseconds: from inside the start-up (probes, day files) to well into the recording.
    std::uniform_int_distribution<int> delay(1000, 300000);
    long acknowledged = 0;
    const int runs = Runs();
    for (int run = 0; run < runs; ++run) {
        const long acked = KillChildAfter(scratch.Dir(), std::chrono::microseconds(delay(random)));
        ASSERT_GE(acked, 0);
        acknowledged += acked;
        if (!fs::exists(scratch.DataDir())) continue;  // killed before the data directory was made
        bool whole = false;
        const long records = RecordsInLog(scratch.DataDir(), whole);
        EXPECT_TRUE(whole) << "run " << run << ": a torn record";
        // Acknowledged records are all there; at most one record per run was written unacknowledged.
        EXPECT_GE(records, acknowledged) << "run " << run;
        EXPECT_LE(records, acknowledged + run + 1) << "run " << run;
        for (const auto& entry : fs::directory_iterator(scratch.DataDir())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("DATB", 0) == 0 || name.rfind("DATC", 0) == 0)
                if (name.find_first_of(".$") == std::string::npos) ExpectContainerOrPlain(entry.path());
        }
    }
    EXPECT_GT(acknowledged, 0);

    // A normal run afterwards: leftovers of interrupted scrambles go, and both files read back.
    {
        HostEnvironment host;
        QZLibInitialize();
        for (const auto& entry : fs::directory_iterator(scratch.DataDir()))
            EXPECT_EQ(entry.path().filename().string().find('$'), std::string::npos) << entry.path();
        host.Publisher().publish(L"MenuCommand", boost::any(CString(L"\\\\系统\\连接")));
        ++acknowledged;
        QZLibDestroy();
    }
    bool whole = false;
    EXPECT_GE(RecordsInLog(scratch.DataDir(), whole), acknowledged);
    EXPECT_TRUE(whole);
    for (const auto& entry : fs::directory_iterator(scratch.DataDir())) {
        const std::string name = entry.path().filename().string();
        if ((name.rfind("DATB", 0) != 0 && name.rfind("DATC", 0) != 0) || name.find('.') != std::string::npos) continue;
        const fs::path copy = entry.path().string() + ".copy";
        fs::copy_file(entry.path(), copy);
        ASSERT_TRUE(UnscrambleFile(copy.string().c_str())) << name << " is not a container after a normal run";
        const std::string text = ReadAll(copy);
        EXPECT_FALSE(text.empty()) << name;
        EXPECT_NE(text.compare(0, 4, "KVRA"), 0) << name << " was scrambled twice";
        fs::remove(copy);
    }
}
