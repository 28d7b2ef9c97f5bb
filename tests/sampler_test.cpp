// The process sampler: processor load, memory accumulators, shutdown count, speed reports and the
// start of the traffic analysis. The clock, the process times and the memory counters come from
// the platform's seams.
#include <gtest/gtest.h>

#include <atomic>

#include "host/HostEnvironment.h"
#include "platform/ProcessInfo.h"
#include "platform/System.h"
#include "tests/support/MonitorTestAccess.h"

using A = MonitorTestAccess;

namespace {

class Sampler : public ::testing::Test {
protected:
    ScratchHost scratch;
    HostEnvironment host;
    CMonitorControl monitor{true};
    // What the seams report: tick in ms, processor time in ms, memory in bytes.
    std::atomic<DWORD> tick{0};
    std::atomic<std::int64_t> cpuMs{0};
    std::atomic<bool> timesFail{false};
    std::atomic<std::uint64_t> workingSet{0}, peakWorkingSet{0};
    std::atomic<bool> memoryFails{false};

    Sampler() {
        SetTickCountForTesting([this] { return tick.load(); });
        SetProcessTimesForTesting([this](std::uint64_t& kernel, std::uint64_t& user) {
            if (timesFail) return false;
            kernel = static_cast<std::uint64_t>(cpuMs.load()) * 10000 / 4;  // a quarter in the kernel
            user = static_cast<std::uint64_t>(cpuMs.load()) * 10000 - kernel;
            return true;
        });
        SetProcessMemoryInfoForTesting([this](std::uint64_t& ws, std::uint64_t& peak) {
            ws = workingSet;
            peak = peakWorkingSet;
            return !memoryFails;
        });
    }
    ~Sampler() override {
        SetTickCountForTesting(nullptr);
        SetProcessTimesForTesting(nullptr);
        SetProcessMemoryInfoForTesting(nullptr);
    }
    // One sample after `ms` more milliseconds in which the process used `load` percent.
    void SampleAfter(DWORD ms, int load) {
        tick += ms;
        cpuMs += static_cast<std::int64_t>(ms) * load / 100;
        monitor.CollectProcessInfo();
    }
    std::vector<std::vector<CString>> Reports() { return host.DataManager().SpeedReports(); }
};

TEST_F(Sampler, ProcessorLoadIsMeasuredOverTheIntervalSinceTheLastComputation) {
    tick = 10000;
    cpuMs = 2500;
    EXPECT_EQ(A::GetCPUPercent(monitor), 25);  // first computation: since the start of both clocks
    tick += 139;
    cpuMs += 139;
    EXPECT_EQ(A::GetCPUPercent(monitor), 25);  // under 140 ms: not measured
    EXPECT_EQ(A::m_dwLastCPUTick(monitor), 10000u);
    EXPECT_EQ(A::m_llLastCPUTime(monitor), 2500);
    tick += 1;
    EXPECT_EQ(A::GetCPUPercent(monitor), 99);  // 139 of 140 ms, truncated
    EXPECT_EQ(A::m_dwLastCPUTick(monitor), 10140u);

    // The tick counter wraps: the unsigned difference still gives the interval.
    A::m_dwLastCPUTick(monitor) = 0xFFFFFF00u;
    A::m_llLastCPUTime(monitor) = cpuMs;
    tick = 0x100;
    cpuMs += 1024;
    EXPECT_EQ(A::GetCPUPercent(monitor), 200);  // 1024 ms of processor time in 512 ms
    EXPECT_EQ(A::m_nCPUPercent(monitor), 200);

    // A failed reading leaves the last load and the stored times alone.
    timesFail = true;
    tick += 5000;
    EXPECT_EQ(A::GetCPUPercent(monitor), 200);
    EXPECT_EQ(A::m_dwLastCPUTick(monitor), 0x100u);
}

TEST_F(Sampler, GetCPUTimeAddsKernelAndUserTimeInMilliseconds) {
    LONGLONG time = -5;
    cpuMs = 123456;
    EXPECT_EQ(A::GetCPUTime(monitor, time), 0);
    EXPECT_EQ(time, 123456);
    timesFail = true;
    EXPECT_EQ(A::GetCPUTime(monitor, time), -1);
    EXPECT_EQ(time, 123456);
    EXPECT_EQ(A::FileTimeToInt64(monitor, FILETIME{0x89ABCDEFu, 0x01234567u}), 0x0123456789ABCDEFLL);
}

TEST_F(Sampler, AcceptedLoadsFormAnIntegerMeanAndAPeak) {
    SampleAfter(10000, 50);
    EXPECT_EQ(A::m_nCPUAverage(monitor), 50);
    SampleAfter(10000, 25);
    EXPECT_EQ(A::m_nCPUAverage(monitor), 37);  // (50 * 1 + 25) / 2, truncated
    EXPECT_EQ(A::m_nCPUPeak(monitor), 50);

    SampleAfter(10000, 150);  // several busy processors: counted, not averaged
    EXPECT_EQ(A::m_nCPUPercent(monitor), 150);
    EXPECT_EQ(A::m_nCPUPeak(monitor), 50);
    EXPECT_EQ(A::m_nCPUAverage(monitor), 37);
    EXPECT_EQ(A::m_nSampleCount(monitor), 3);

    SampleAfter(10000, 100);  // weighed against all three earlier samples
    EXPECT_EQ(A::m_nCPUAverage(monitor), (37 * 3 + 100) / 4);
    EXPECT_EQ(A::m_nCPUPeak(monitor), 100);
}

TEST_F(Sampler, MemoryPeakAndMeanInMegabytes) {
    workingSet = 10u << 20;
    peakWorkingSet = 30u << 20;
    SampleAfter(10000, 0);
    workingSet = 20u << 20;
    peakWorkingSet = 25u << 20;  // a lower peak changes nothing
    SampleAfter(10000, 0);
    EXPECT_DOUBLE_EQ(A::m_dMemoryPeak(monitor), 30.0);
    EXPECT_DOUBLE_EQ(A::m_dMemoryAverage(monitor), 15.0);

    memoryFails = true;  // an unreadable sample leaves the memory values out
    SampleAfter(10000, 0);
    EXPECT_DOUBLE_EQ(A::m_dMemoryAverage(monitor), 15.0);
    EXPECT_EQ(A::m_nSampleCount(monitor), 3);

    memoryFails = false;
    workingSet = 0xFFFFFFFFull + 1;  // beyond a 32-bit counter: clamped, not wrapped
    peakWorkingSet = workingSet.load();
    SampleAfter(10000, 0);
    EXPECT_DOUBLE_EQ(A::m_dMemoryPeak(monitor), 4294967295.0 / 1048576.0);
}

TEST_F(Sampler, ShutDownCountIsAddedOnEverySample) {
    host.DataManager().SetShutDownCount(3);
    SampleAfter(10000, 0);
    SampleAfter(10000, 0);
    EXPECT_EQ(A::m_nShutDownCount(monitor), 6);
}

TEST_F(Sampler, PingReportsGoOncePerRunAndDownloadTimesOnceEach) {
    A::m_strMacID(monitor) = L"00-1A-2B-3C-4D-5E";
    A::m_vecPingServer(monitor) = {{L"10.0.0.1", 35}, {L"quote.example", -7}};
    SampleAfter(10000, 0);  // speed tests off: nothing, and the pings are still due
    EXPECT_TRUE(Reports().empty());
    EXPECT_FALSE(A::m_bPingReported(monitor));

    A::m_bTestSpeed(monitor) = true;
    A::m_strDownloadURL(monitor) = L"http://speed.example/file.bin";
    A::m_nDownloadTime(monitor) = 812;
    A::m_bDownloadReported(monitor) = false;
    SampleAfter(10000, 0);
    SampleAfter(10000, 0);
    const std::vector<std::vector<CString>> expected = {
        {L"00-1A-2B-3C-4D-5E", L"ServerPingTest", L"Server IP:10.0.0.1", L"Time:35ms"},
        {L"00-1A-2B-3C-4D-5E", L"ServerPingTest", L"Server IP:quote.example", L"Time:-7ms"},
        {L"00-1A-2B-3C-4D-5E", L"DownloadTest", L"http://speed.example/file.bin", L"Time:812ms"},
    };
    EXPECT_EQ(Reports(), expected);
}

TEST_F(Sampler, AnEmptyPingListIsReportedAsDoneAndNeverSentLater) {
    A::m_bTestSpeed(monitor) = true;
    SampleAfter(10000, 0);
    EXPECT_TRUE(A::m_bPingReported(monitor));
    A::m_vecPingServer(monitor) = {{L"10.0.0.1", 35}};
    SampleAfter(10000, 0);
    EXPECT_TRUE(Reports().empty());
}

TEST_F(Sampler, TheAnalysisRunsWhenBothBatchesAreReady) {
    A::m_vecSendBatch(monitor) = {TRANS_INFO{7, 5, 1000, 40, false}};
    A::m_vecRecvBatch(monitor) = {TRANS_INFO{7, 5, 1250, 900, false}};
    A::m_bSendBatchReady(monitor) = 1;
    SampleAfter(10000, 0);  // the receive batch is not cut yet
    EXPECT_TRUE(A::m_mapNormalStat(monitor).empty());
    EXPECT_EQ(A::m_vecSendBatch(monitor).size(), 1u);
    A::m_bRecvBatchReady(monitor) = 1;
    SampleAfter(10000, 0);
    ASSERT_EQ(A::m_mapNormalStat(monitor).count(5), 1u);
    EXPECT_EQ(A::m_mapNormalStat(monitor)[5].nTime, 250);
    EXPECT_EQ(A::m_bSendBatchReady(monitor).load(), 0);
}

TEST(ProcessInfo, ParsesStatusAndStatmTexts) {
    std::uint64_t ws = 0, peak = 0;
    EXPECT_TRUE(ParseProcStatusMemory("Name:\thost\nVmHWM:\t  20480 kB\nVmRSS:\t  10240 kB\n", ws, peak));
    EXPECT_EQ(ws, 10240u * 1024);
    EXPECT_EQ(peak, 20480u * 1024);
    EXPECT_TRUE(ParseProcStatusMemory("VmRSS: 8 kB\r\n", ws, peak));  // no VmHWM: the peak is the RSS
    EXPECT_EQ(peak, 8u * 1024);
    for (const char* bad : {"", "VmHWM: 5 kB\n", "VmRSS:\n", "VmRSS: x kB\n", "VmRSS: 5 MB\n", "VmRSSX: 5 kB\n",
                            "VmRSS: 99999999999999999999 kB\n", "VmRSS: 18014398509481984 kB\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseProcStatusMemory(bad, ws, peak));
    }

    EXPECT_TRUE(ParseProcStatmResident("12345 678 90 1 0 2 0\n", 4096, ws));
    EXPECT_EQ(ws, 678u * 4096);
    for (const char* bad : {"", "12345", "12345 ", "12345 x", "-1 5", "1  \n"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseProcStatmResident(bad, 4096, ws));
    }
}

TEST(ProcessInfo, ReadsTheRunningProcess) {
    PROCESS_MEMORY_COUNTERS counters{};
    EXPECT_FALSE(GetProcessMemoryInfo(&counters, 20));  // a record too small for the counters
    ASSERT_TRUE(GetProcessMemoryInfo(&counters, sizeof(counters)));
    EXPECT_EQ(counters.cb, 40u);
    EXPECT_GT(counters.WorkingSetSize, 0u);
    EXPECT_GE(counters.PeakWorkingSetSize, counters.WorkingSetSize);

    FILETIME kernel{}, user{};
    ASSERT_TRUE(GetProcessTimes(&kernel, &user));
    volatile double sink = 0;
    for (int i = 0; i < 20000000; ++i) sink = sink + i * 0.5;
    FILETIME kernel2{}, user2{};
    ASSERT_TRUE(GetProcessTimes(&kernel2, &user2));
    auto total = [](const FILETIME& k, const FILETIME& u) {
        return ((std::uint64_t(k.dwHighDateTime) << 32) | k.dwLowDateTime) +
               ((std::uint64_t(u.dwHighDateTime) << 32) | u.dwLowDateTime);
    };
    EXPECT_GT(total(kernel2, user2), total(kernel, user));
}

}  // namespace
