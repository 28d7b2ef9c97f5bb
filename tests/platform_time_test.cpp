// The waitable timer, local time, clocks, module path and the TCP probe.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/System.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "tests/support/LoopbackListener.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kTenSeconds = -100000000LL;  // the sampling thread's due time

// Restores the timer seams whatever the test does.
struct TimerSeams {
    ~TimerSeams() {
        CWaitableTimer::SetCreateFailureForTesting(false);
        CWaitableTimer::SetArmFailureForTesting(false);
        CWaitableTimer::SetDueTimeScaleForTesting(1.0);
    }
};

// The file name of this test program.
#if defined(_WIN32)
const CString kProgramName = L"platform_time_test.exe";
#else
const CString kProgramName = L"platform_time_test";
#endif

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(WaitableTimer, FiresAfterTheScaledDueTimeAndStaysSignalled) {
    TimerSeams seams;
    CWaitableTimer::SetDueTimeScaleForTesting(0.005);  // 10 s become 50 ms
    CWaitableTimer timer;
    ASSERT_TRUE(timer.Create(L"MonitorWaitableTimer"));
    const auto start = Clock::now();
    ASSERT_TRUE(timer.Set(kTenSeconds, 0));
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitFired);
    EXPECT_GE(MillisecondsSince(start), 45);
    EXPECT_LT(MillisecondsSince(start), 5000);
    // Manual reset: it stays signalled until armed again.
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitFired);
    ASSERT_TRUE(timer.Set(kTenSeconds, 0));
    const auto again = Clock::now();
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitFired);
    EXPECT_GE(MillisecondsSince(again), 45);
    EXPECT_FALSE(timer.Set(kTenSeconds, 1000)) << "periodic timers are not offered";
}

TEST(WaitableTimer, WakeStopsAWaitingThreadAndEveryLaterWait) {
    CWaitableTimer timer;
    ASSERT_TRUE(timer.Create(L"MonitorWaitableTimer"));
    ASSERT_TRUE(timer.Set(kTenSeconds, 0));
    CWaitableTimer::WaitResult result = CWaitableTimer::WaitFailed;
    const auto start = Clock::now();
    std::thread waiter([&] { result = timer.Wait(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    timer.Wake();
    waiter.join();
    EXPECT_EQ(result, CWaitableTimer::WaitWoken);
    EXPECT_LT(MillisecondsSince(start), 5000);
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitWoken);
    timer.Close();
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitWoken) << "woken wins over closed";

    // Woken before the thread even created its timer (a destructor that runs early).
    CWaitableTimer early;
    early.Wake();
    ASSERT_TRUE(early.Create(L"MonitorWaitableTimer"));
    ASSERT_TRUE(early.Set(kTenSeconds, 0));
    EXPECT_EQ(early.Wait(), CWaitableTimer::WaitWoken);
}

TEST(WaitableTimer, FailuresAndClosedTimers) {
    TimerSeams seams;
    CWaitableTimer timer;
    EXPECT_FALSE(timer.Set(kTenSeconds, 0)) << "not created";
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitFailed);
    CWaitableTimer::SetCreateFailureForTesting(true);
    EXPECT_FALSE(timer.Create(L"MonitorWaitableTimer"));
    CWaitableTimer::SetCreateFailureForTesting(false);
    ASSERT_TRUE(timer.Create(L"MonitorWaitableTimer"));
    CWaitableTimer::SetArmFailureForTesting(true);
    EXPECT_FALSE(timer.Set(kTenSeconds, 0));
    CWaitableTimer::SetArmFailureForTesting(false);
    ASSERT_TRUE(timer.Set(kTenSeconds, 0));
    timer.Close();
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitFailed);
}

TEST(WaitableTimer, TimersOfOneNameAreIndependentAndCloseReleasesAWaiter) {
    TimerSeams seams;
    CWaitableTimer::SetDueTimeScaleForTesting(0.005);  // 10 s become 50 ms
    // The sampling thread of every monitor uses the same name: arming one must not re-arm, reset
    // or fire another, in this process or any other.
    CWaitableTimer first;
    CWaitableTimer second;
    ASSERT_TRUE(first.Create(L"MonitorWaitableTimer"));
    ASSERT_TRUE(second.Create(L"MonitorWaitableTimer"));
    ASSERT_TRUE(first.Set(kTenSeconds, 0));
    EXPECT_EQ(first.Wait(), CWaitableTimer::WaitFired);
    CWaitableTimer::SetDueTimeScaleForTesting(1.0);
    ASSERT_TRUE(second.Set(kTenSeconds, 0));
    const auto start = Clock::now();
    EXPECT_EQ(first.Wait(), CWaitableTimer::WaitFired) << "arming the other timer reset this one";
    EXPECT_LT(MillisecondsSince(start), 5000);

    // Closing a timer that a thread waits on ends that wait as a failure, at once.
    CWaitableTimer::WaitResult result = CWaitableTimer::WaitFired;
    std::thread waiter([&] { result = second.Wait(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    second.Close();
    waiter.join();
    EXPECT_EQ(result, CWaitableTimer::WaitFailed);
    EXPECT_LT(MillisecondsSince(start), 5000);
}

TEST(LocalTime, RoundTripsAndRefusesOutOfRangeFields) {
    for (const LocalTimeParts& parts : {LocalTimeParts{2010, 1, 1, 0, 0, 0}, LocalTimeParts{2026, 3, 15, 12, 34, 56},
                                        LocalTimeParts{2024, 2, 29, 23, 59, 59}}) {
        std::int64_t t = 0;
        ASSERT_TRUE(FromLocalTime(parts, t));
        LocalTimeParts back{};
        ASSERT_TRUE(ToLocalTime(t, back));
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
                  std::tie(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second));
    }
    std::int64_t newYear = 0;
    std::int64_t nextDay = 0;
    ASSERT_TRUE(FromLocalTime({2010, 1, 1, 0, 0, 0}, newYear));
    ASSERT_TRUE(FromLocalTime({2010, 1, 2, 0, 0, 0}, nextDay));
    EXPECT_EQ(nextDay - newYear, 86400);

    for (const LocalTimeParts& bad : {LocalTimeParts{2026, 13, 1, 0, 0, 0}, LocalTimeParts{2026, 0, 1, 0, 0, 0},
                                      LocalTimeParts{2026, 4, 31, 0, 0, 0}, LocalTimeParts{2023, 2, 29, 0, 0, 0},
                                      LocalTimeParts{2026, 1, 1, 24, 0, 0}, LocalTimeParts{2026, 1, 1, 0, 60, 0},
                                      LocalTimeParts{2026, 1, 1, 0, 0, -1}, LocalTimeParts{1899, 12, 31, 0, 0, 0}}) {
        std::int64_t t = 12345;
        EXPECT_FALSE(FromLocalTime(bad, t)) << bad.year << "-" << bad.month << "-" << bad.day << " " << bad.hour << ":"
                                            << bad.minute << ":" << bad.second;
    }

    SetLocalTimeFailureForTesting(true);
    std::int64_t t = 0;
    LocalTimeParts parts{};
    EXPECT_FALSE(FromLocalTime({2010, 1, 1, 0, 0, 0}, t));
    EXPECT_FALSE(ToLocalTime(0, parts));
    SetLocalTimeFailureForTesting(false);
    EXPECT_TRUE(ToLocalTime(0, parts));
}

TEST(Clocks, SeamsReplaceAndRestoreTheRealClocks) {
    const std::int64_t now = GetCurrentTime64();
    EXPECT_GT(now, 1262304000);  // after 2010
    SetCurrentTimeForTesting([] { return std::int64_t{1700000000}; });
    EXPECT_EQ(GetCurrentTime64(), 1700000000);
    SetCurrentTimeForTesting(nullptr);
    EXPECT_GE(GetCurrentTime64(), now);

    const DWORD first = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(static_cast<DWORD>(GetTickCount() - first), 15u);  // wrapping difference
    SetTickCountForTesting([] { return DWORD{0xFFFFFFF0u}; });
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    SetTickCountForTesting(nullptr);
}

TEST(ModulePath, RealExecutableAndOverride) {
    const CString real = GetModuleFileName();
    EXPECT_EQ(real.Find(L'/'), -1) << WideToNarrow(real);
    EXPECT_EQ(real.Mid(real.ReverseFind(L'\\') + 1), kProgramName);
    EXPECT_EQ(GetExecutableDir() + L"\\" + kProgramName, real);

    SetExecutableDirOverride(L"\\opt\\host");
    EXPECT_EQ(GetExecutableDir(), L"\\opt\\host");
    EXPECT_EQ(GetModuleFileName(), L"\\opt\\host\\" + kProgramName);
    SetExecutableDirOverride(CString());
    EXPECT_EQ(GetModuleFileName(), real);
}

TEST(TcpProbe, MeasuresALocalConnectAndRefusesBadTargets) {
    LoopbackListener v4(false);
    ASSERT_NE(v4.Port(), 0);
    const std::string port = std::to_string(v4.Port());
    const int ms = TcpConnectTime("127.0.0.1:" + port, 2000);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 2000);

    LoopbackListener v6(true);
    if (v6.Port() != 0) {
        EXPECT_GE(TcpConnectTime("[::1]:" + std::to_string(v6.Port()), 2000), 0);
    }

    v4.Close();  // nothing listens there any more
    EXPECT_LT(TcpConnectTime("127.0.0.1:" + port, 2000), 0);
    for (const char* bad : {"127.0.0.1:http", "127.0.0.1:0", "127.0.0.1:70000", "[::1", "[::1]x", ":80", ""})
        EXPECT_LT(TcpConnectTime(bad, 500), 0) << bad;
}

#if !defined(_WIN32)
// The calling thread's nice value, field 19 of its stat line (counted after the command name).
static int ThreadNice() {
    std::ifstream in("/proc/thread-self/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 19; ++i) fields >> field;
    return std::stoi(field);
}
#endif

TEST(ThreadPriority, BelowNormalLowersOnlyTheCallingThread) {
    int inThread = 0;
    std::thread worker([&] {
        SetCurrentThreadPriority(-1);
        inThread = GetCurrentThreadPriority();
    });
    worker.join();
    EXPECT_EQ(GetCurrentThreadPriority(), 0);
#if defined(_WIN32)
    EXPECT_EQ(inThread, -1);
#else
    // What the system holds: five nice levels more for that thread, up to the lowest priority.
    const int before = ThreadNice();
    int niceInThread = before;
    std::thread niced([&] {
        SetCurrentThreadPriority(-1);
        niceInThread = ThreadNice();
    });
    niced.join();
    EXPECT_EQ(niceInThread, std::min(before + 5, 19));
    EXPECT_EQ(ThreadNice(), before);
    if (before <= 14) {
        EXPECT_EQ(inThread, -1);
    }
#endif
}
