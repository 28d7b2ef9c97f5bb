// Two terminals started from one installation: two monitor-host processes run the plug-in on one
// data directory, round after round, started together and staggered (one starts while the other
// runs, one stops while the other starts or records). After every round each file of the data
// directory is whole: the operation log is plain and holds whole records, the records of the
// process that held the log are all there, the statistics and system information files are each
// one container of one plain document (neither torn nor scrambled twice), and no temporary file
// is left behind.
//
// MONITOR_TWO_HOSTS_RUNS sets the number of rounds (default 12). A second test kills one or both
// hosts at random moments of such runs (MONITOR_TWO_HOSTS_KILLS rounds, default 6): every file
// stays whole or plain, and a normal run afterwards leaves each one whole and no leftover.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "store/Container.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMenusPerHost = 20;

int Setting(const char* name, int otherwise) {
    const char* text = std::getenv(name);
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : otherwise;
}

// One host's session: a wait, the menu commands (recorded as {time, 1, 1, 0} with the sample
// configuration), a log-on and traffic (so that the shutdown writes and analyses the statistics
// file), another wait.
struct Session {
    int startDelayMs = 0;
    int sleepBeforeMs = 0;
    int sleepAfterMs = 0;

    std::string Script() const {
        std::ostringstream out;
        if (sleepBeforeMs > 0) out << "sleep " << sleepBeforeMs << "\n";
        for (int i = 0; i < kMenusPerHost; ++i) out << "menu \\\\系统\\连接行情服务器\n";
        out << "logon quote1.example.test 0 09:30:01 0\n";
        for (int i = 1; i <= 5; ++i)
            out << "send " << i << " 2001 " << i * 100 << " 64\nrecv " << i << " 2001 " << i * 100 + 40 << " 512\n";
        if (sleepAfterMs > 0) out << "sleep " << sleepAfterMs << "\n";
        return out.str();
    }
    std::string Describe() const {
        return "start +" + std::to_string(startDelayMs) + " ms, sleeps " + std::to_string(sleepBeforeMs) + "/" +
               std::to_string(sleepAfterMs) + " ms";
    }
};

std::uint32_t Int32At(const std::string& bytes, size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

bool IsContainer(const std::string& bytes) {
    return bytes.compare(0, 4, "KVRA") == 0;
}

// A file the monitor scrambles, after a kill: a whole container or plain content.
void ExpectContainerOrPlain(const fs::path& path) {
    const std::string bytes = ReadAll(path);
    if (!IsContainer(bytes)) return;
    ASSERT_GE(bytes.size(), 8u) << path;
    EXPECT_EQ(bytes.size(), 8 + (std::uint64_t{Int32At(bytes, 4)} + 7) / 8 * 8) << path << ": a torn container";
}

// Checks the operation logs and returns the number of records in them.
long CheckOperationLogs(const fs::path& dataDir) {
    long records = 0;
    for (const auto& entry : fs::directory_iterator(dataDir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("DATA", 0) != 0 || name.find_first_of(".$~") != std::string::npos) continue;
        const std::string bytes = ReadAll(entry.path());
        EXPECT_FALSE(IsContainer(bytes)) << name << " was left scrambled";
        EXPECT_EQ(bytes.size() % 16, 0u) << name << ": a torn record";
        for (size_t at = 0; at + 16 <= bytes.size(); at += 16) {
            const std::uint32_t time = Int32At(bytes, at);
            EXPECT_TRUE(time <= 235959 && Int32At(bytes, at + 4) == 1 && Int32At(bytes, at + 8) == 1 &&
                        Int32At(bytes, at + 12) == 0)
                << name << ": the record at " << at << " is not a menu command";
        }
        records += static_cast<long>(bytes.size() / 16);
    }
    return records;
}

// The statistics and system information files rest as one container of one plain document.
void CheckScrambledFiles(const fs::path& dataDir) {
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(dataDir)) {
        const std::string name = entry.path().filename().string();
        const bool statistics = name.rfind("DATB", 0) == 0;
        if ((!statistics && name != "DATC") || name.find_first_of(".$~") != std::string::npos) continue;
        ++checked;
        const std::string bytes = ReadAll(entry.path());
        ASSERT_TRUE(IsContainer(bytes) && bytes.size() >= 8) << name << " does not rest scrambled";
        EXPECT_EQ(bytes.size(), 8 + (std::uint64_t{Int32At(bytes, 4)} + 7) / 8 * 8) << name << ": a torn container";
        const fs::path copy = dataDir.parent_path() / (name + ".copy");
        fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
        EXPECT_TRUE(UnscrambleFile(copy.string().c_str())) << name;
        const std::string plain = ReadAll(copy);
        fs::remove(copy);
        EXPECT_FALSE(IsContainer(plain)) << name << " was scrambled twice";
        EXPECT_NE(plain.find(statistics ? "StatisticsTime" : "WindowsVersion"), std::string::npos)
            << name << " does not hold its document:\n"
            << plain.substr(0, 200);
    }
    EXPECT_GE(checked, 2) << "no statistics or system information file";
}

}  // namespace

TEST(TwoHosts, StartedAndStoppedTogetherOrStaggeredKeepEveryFileWhole) {
    ScratchHost scratch;
    const fs::path host = scratch.Dir();
    CopyHostInstallation(host, SampleHostDir());
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delay(0, 250);

    long records = 0;
    const int rounds = Setting("MONITOR_TWO_HOSTS_RUNS", 12);
    int played = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        Session sessions[2];
        switch (round % 3) {
            case 0:  // started and stopped together
                break;
            case 1:  // the second records while the first holds the log, and stops after it
                sessions[0].sleepAfterMs = 100;
                sessions[1] = Session{150, 0, 300};
                break;
            default:  // anything in between
                for (Session& s : sessions) s = Session{delay(random), delay(random), delay(random)};
        }
        ++played;
        const std::string trace =
            "round " + std::to_string(round) + ": " + sessions[0].Describe() + "; " + sessions[1].Describe();
        SCOPED_TRACE(trace);

        ChildResult results[2];
        std::thread hosts[2];
        for (int i = 0; i < 2; ++i) {
            const fs::path script = host / ("session" + std::to_string(i) + ".txt");
            WriteAll(script, sessions[i].Script());
            hosts[i] = std::thread([&, i, script] {
                std::this_thread::sleep_for(std::chrono::milliseconds(sessions[i].startDelayMs));
                results[i] = RunChild({Utf8(host / "monitor-host"), Utf8(script)}, host);
            });
        }
        for (std::thread& t : hosts) t.join();
        for (const ChildResult& result : results) ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

        // The process that held the log recorded all its operations; the other's are lost while
        // the log is held and recorded once it is free again.
        const long now = CheckOperationLogs(scratch.DataDir());
        EXPECT_GE(now - records, kMenusPerHost);
        EXPECT_LE(now - records, 2 * kMenusPerHost);
        records = now;
        CheckScrambledFiles(scratch.DataDir());
        for (const auto& entry : fs::directory_iterator(scratch.DataDir())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name.find('$') == std::string::npos && name.find(".tmp") == std::string::npos)
                << name << " was left behind";
        }
        if (HasFatalFailure() || HasFailure()) break;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%d of %d rounds of two hosts played in %.1f s\n", played, rounds, seconds);
}

TEST(TwoHosts, KilledAtRandomMomentsLeaveEveryFileWholeForTheNextRun) {
    ScratchHost scratch;
    const fs::path host = scratch.Dir();
    CopyHostInstallation(host, SampleHostDir());
    // A longer session, so that a kill lands in the recording, the traffic or the shutdown.
    std::ostringstream longer;
    for (int i = 0; i < 40; ++i) longer << "menu \\\\系统\\连接行情服务器\nsleep 5\n";
    longer << Session{}.Script();
    WriteAll(host / "long.txt", longer.str());
    WriteAll(host / "short.txt", Session{}.Script());

    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> delay(0, 600);
    const int rounds = Setting("MONITOR_TWO_HOSTS_KILLS", 6);
    int kills = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        // Round by round: the first host killed, the second, or both.
        const bool kill[2] = {round % 3 != 1, round % 3 != 0};
        const int startDelay = delay(random) / 3;
        const int killDelay[2] = {delay(random), delay(random)};
        SCOPED_TRACE("round " + std::to_string(round) + ": second starts +" + std::to_string(startDelay) +
                     " ms, kills at " + std::to_string(killDelay[0]) + "/" + std::to_string(killDelay[1]) + " ms");
        std::unique_ptr<Child> children[2];
        std::thread hosts[2];
        for (int i = 0; i < 2; ++i) {
            hosts[i] = std::thread([&, i] {
                if (i == 1) std::this_thread::sleep_for(std::chrono::milliseconds(startDelay));
                children[i] = std::make_unique<Child>(
                    std::vector<std::string>{Utf8(host / "monitor-host"), Utf8(host / "long.txt")}, host);
                if (!kill[i]) {
                    EXPECT_TRUE(children[i]->Wait(60000));
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(killDelay[i]));
                children[i]->Kill();
            });
        }
        for (std::thread& t : hosts) t.join();
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(children[i] && children[i]->Started());
            if (kill[i])
                ++kills;
            else
                EXPECT_EQ(children[i]->ExitCode(), 0) << children[i]->Out() << children[i]->Err();
        }
        if (!fs::exists(scratch.DataDir())) continue;  // both killed before the data directory was made
        CheckOperationLogs(scratch.DataDir());
        for (const auto& entry : fs::directory_iterator(scratch.DataDir())) {
            const std::string name = entry.path().filename().string();
            if ((name.rfind("DATB", 0) == 0 || name == "DATC") && name.find_first_of(".$~") == std::string::npos)
                ExpectContainerOrPlain(entry.path());
        }
        if (HasFailure()) break;
    }

    // A normal run afterwards: every leftover goes, and each file rests whole.
    const ChildResult result = RunChild({Utf8(host / "monitor-host"), Utf8(host / "short.txt")}, host);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    CheckOperationLogs(scratch.DataDir());
    CheckScrambledFiles(scratch.DataDir());
    for (const auto& entry : fs::directory_iterator(scratch.DataDir())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name.find('$') == std::string::npos && name.find(".tmp") == std::string::npos)
            << name << " was left behind";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%d hosts killed in %d rounds of two hosts in %.1f s\n", kills, rounds, seconds);
}
