// The process statistics report: the profile form written at shutdown and the document form
// merged one sample at a time.
#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>

#include "host/HostEnvironment.h"
#include "host/Markup.h"
#include "platform/ProcessInfo.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "store/Container.h"
#include "tests/support/StatsFileFixture.h"

using A = MonitorTestAccess;

namespace {

class ProcessReport : public StatsFileTest {
protected:
    std::atomic<DWORD> tick{0};
    std::atomic<std::int64_t> cpuMs{0};
    std::atomic<std::uint64_t> peakBytes{32u << 20};

    ProcessReport() {
        SetTickCountForTesting([this] { return tick.load(); });
        SetProcessTimesForTesting([this](std::uint64_t& kernel, std::uint64_t& user) {
            kernel = 0;
            user = static_cast<std::uint64_t>(cpuMs.load()) * 10000;
            return true;
        });
        SetProcessMemoryInfoForTesting([this](std::uint64_t& ws, std::uint64_t& peak) {
            ws = peakBytes / 2;
            peak = peakBytes;
            return true;
        });
    }
    ~ProcessReport() override {
        SetTickCountForTesting(nullptr);
        SetProcessTimesForTesting(nullptr);
        SetProcessMemoryInfoForTesting(nullptr);
    }

    // The statistics file's lines, unscrambled, without line ends.
    std::vector<std::string> ProfileLines() {
        UnscrambleFile(file.string().c_str());
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.push_back(line);
        }
        return lines;
    }
    void LogOn(const wchar_t* name, BOOL proxy, const wchar_t* time, int retry) {
        A::GetLogonServerInfo(monitor, boost::any(MONITOR_SERVER_INFO{name, proxy, time, retry}));
    }
    // The document under "ROOT", unscrambled.
    std::wstring Document() {
        UnscrambleFile(file.string().c_str());
        return StatsFileTest::Document();
    }
    // The load that the next GetCPUPercent computes: `load` percent over 10 seconds.
    void NextLoad(int load) {
        tick += 10000;
        cpuMs += 100 * load;
    }
};

const std::vector<std::string> kRootSection = {"[ROOT]",
                                               "StatisticsTime=360",
                                               "ProcessMemoryPeakSize=35.128906",
                                               "ProcessMemoryAverageSize=20.500000",
                                               "ProcessCPUAverageSize=12",
                                               "ProcessCPUPeakSize=87",
                                               "ShutDownCount=2"};

TEST_F(ProcessReport, WithoutAStatisticsFileNothingIsWritten) {
    delete A::m_pstrStatFile(monitor);
    A::m_pstrStatFile(monitor) = nullptr;
    EXPECT_FALSE(monitor.WriteProcessInfo());
    EXPECT_FALSE(monitor.GetFendrakeProcessInfo());
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ProcessReport, ProfileFormRebuildsTheFileWithTheRunsValues) {
    WriteText("<ROOT><StatisticsTime>99</StatisticsTime></ROOT>\n");  // discarded
    A::m_nSampleCount(monitor) = 360;
    A::m_dMemoryPeak(monitor) = 35.128906;
    A::m_dMemoryAverage(monitor) = 20.5;
    A::m_nCPUAverage(monitor) = 12;
    A::m_nCPUPeak(monitor) = 87;
    A::m_nShutDownCount(monitor) = 2;
    EXPECT_TRUE(monitor.WriteProcessInfo());
    EXPECT_TRUE(A::m_bStatFileScrambled(monitor));
    EXPECT_EQ(ProfileLines(), kRootSection);
}

TEST_F(ProcessReport, ProfileFormHasOneSectionPerLogOnInCaptureOrder) {
    A::m_nSampleCount(monitor) = 360;
    A::m_dMemoryPeak(monitor) = 35.128906;
    A::m_dMemoryAverage(monitor) = 20.5;
    A::m_nCPUAverage(monitor) = 12;
    A::m_nCPUPeak(monitor) = 87;
    A::m_nShutDownCount(monitor) = 2;
    LogOn(L"代理行情", TRUE, L"2026/3/7-9:30:5", 3);
    LogOn(L"trade.example", FALSE, L"2026/3/7-9:31:0", 0);
    EXPECT_TRUE(monitor.WriteProcessInfo());
    std::vector<std::string> expected = kRootSection;
    for (const char* line :
         {"[LogOn1]", "ServerName=代理行情", "Time=2026/3/7-9:30:5", "RetryTime=3", "IsProxy=true", "[LogOn2]",
          "ServerName=trade.example", "Time=2026/3/7-9:31:0", "RetryTime=0", "IsProxy=false"})
        expected.push_back(line);
    EXPECT_EQ(ProfileLines(), expected);
    EXPECT_TRUE(A::m_vecLogonServer(monitor).empty());
}

TEST_F(ProcessReport, TheTenthLogOnSectionIsNamedByTheNextCharacter) {
    for (int i = 0; i < 10; ++i) LogOn(L"s", FALSE, L"t", i);
    monitor.WriteProcessInfo();
    std::vector<std::string> sections;
    for (const std::string& line : ProfileLines())
        if (line.front() == '[') sections.push_back(line);
    EXPECT_EQ(sections, (std::vector<std::string>{"[ROOT]", "[LogOn1]", "[LogOn2]", "[LogOn3]", "[LogOn4]", "[LogOn5]",
                                                  "[LogOn6]", "[LogOn7]", "[LogOn8]", "[LogOn9]", "[LogOn:]"}));
}

TEST_F(ProcessReport, DocumentFormMergesOneSampleIntoTheStoredValues) {
    WriteText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOT/>\n");
    host.DataManager().SetShutDownCount(4);
    NextLoad(40);
    EXPECT_TRUE(monitor.GetFendrakeProcessInfo());
    EXPECT_TRUE(A::m_bStatFileScrambled(monitor));
    EXPECT_EQ(Document(),
              L"StatisticsTime=1,ProcessMemoryPeakSize=32.000000,ProcessMemoryAverageSize=32.000000,"
              L"ProcessCPUAverageSize=40,ProcessCPUPeakSize=40,ShutDownCount=4,TransInfo(Normal,Push)");

    peakBytes = 16u << 20;  // a lower peak: the stored peak stays, the average takes the sample
    host.DataManager().SetShutDownCount(1);
    NextLoad(25);
    EXPECT_TRUE(monitor.GetFendrakeProcessInfo());
    EXPECT_EQ(Document(),
              L"StatisticsTime=2,ProcessMemoryPeakSize=32.000000,ProcessMemoryAverageSize=24.000000,"
              L"ProcessCPUAverageSize=32,ProcessCPUPeakSize=40,ShutDownCount=1,TransInfo(Normal,Push)");
}

TEST_F(ProcessReport, DocumentFormSkipsTheProcessorValuesForALoadAbove100) {
    WriteText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOT><StatisticsTime>7</StatisticsTime></ROOT>\n");
    NextLoad(180);
    EXPECT_TRUE(monitor.GetFendrakeProcessInfo());
    EXPECT_EQ(Document(),
              L"StatisticsTime=8,ProcessMemoryPeakSize=32.000000,ProcessMemoryAverageSize=4.000000,"
              L"ShutDownCount=0,TransInfo(Normal,Push)");
}

TEST_F(ProcessReport, DocumentFormAppendsLogOnsWithTheTrafficUnderTheLast) {
    WriteText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOT/>\n");
    LogOn(L"proxy.example", TRUE, L"9:30", 1);
    LogOn(L"行情", FALSE, L"9:31", 0);
    A::m_vecSendBatch(monitor) = {TRANS_INFO{7, 5, 1000, 40, false}};
    A::m_vecRecvBatch(monitor) = {TRANS_INFO{7, 5, 1250, 900, false}};
    A::m_bSendBatchReady(monitor) = 1;
    A::m_bRecvBatchReady(monitor) = 1;
    NextLoad(10);
    EXPECT_TRUE(monitor.GetFendrakeProcessInfo());
    const std::wstring doc = Document();
    const std::wstring tail =
        L"LogOn(ServerName=proxy.example,Time=9:30,RetryTime=1,IsProxy=true),"
        L"LogOn(ServerName=行情,Time=9:31,RetryTime=0,IsProxy=false,TransInfo(Normal(Req5(Description=Req5,Sum=1,"
        L"Time=250,SendSize=40,RecvSize=900,SumNone=0,TimeNone=0,SendSizeNone=0,RecvSizeNone=0)),Push))";
    ASSERT_GE(doc.size(), tail.size());
    EXPECT_EQ(doc.substr(doc.size() - tail.size()), tail) << doc;
    EXPECT_TRUE(A::m_vecLogonServer(monitor).empty());
}

// A stored document is input: whatever its counts and values, the merge neither crashes nor
// writes inf or nan. A count below 0 counts as 0; a value that is not a finite number reads as 0.
TEST_F(ProcessReport, DocumentFormTakesAnyStoredValues) {
    struct Case {
        const char* count;
        const char* peak;
        const char* average;
        const char* cpuAverage;
        const wchar_t* expected;  // StatisticsTime, the memory pair and the processor pair
    };
    const Case cases[] = {
        // count + 1 was 0: a division by zero.
        {"-1", "10.0", "20.0", "30", L"1,32.000000,32.000000,40,40"},
        {"-7", "0", "0", "0", L"1,32.000000,32.000000,40,40"},
        {"-2147483648", "0", "0", "0", L"1,32.000000,32.000000,40,40"},
        // The largest count stays; the means still move towards the sample.
        {"2147483647", "64.0", "32.0", "40", L"2147483647,64.0,32.000000,40,40"},
        // Values that are not finite numbers, or whose product with the count overflows.
        {"3", "nan", "inf", "12", L"4,32.000000,8.000000,19,40"},
        {"3", "-inf", "-nan", "12", L"4,32.000000,8.000000,19,40"},
        {"1000", "1e400", "1e308", "0", L"1001,32.000000,"},
        {"abc", "", "x", "y", L"1,32.000000,32.000000,40,40"},
    };
    for (const Case& c : cases) {
        WriteText(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOT><StatisticsTime>") + c.count +
                  "</StatisticsTime><ProcessMemoryPeakSize>" + c.peak +
                  "</ProcessMemoryPeakSize><ProcessMemoryAverageSize>" + c.average +
                  "</ProcessMemoryAverageSize><ProcessCPUAverageSize>" + c.cpuAverage +
                  "</ProcessCPUAverageSize><ProcessCPUPeakSize>0</ProcessCPUPeakSize></ROOT>\n");
        NextLoad(40);
        EXPECT_TRUE(monitor.GetFendrakeProcessInfo()) << c.count;
        const std::wstring doc = Document();
        std::wstring values;
        for (const wchar_t* name : {L"StatisticsTime=", L"ProcessMemoryPeakSize=", L"ProcessMemoryAverageSize=",
                                    L"ProcessCPUAverageSize=", L"ProcessCPUPeakSize="}) {
            const size_t at = doc.find(name);
            ASSERT_NE(at, std::wstring::npos) << doc;
            const size_t start = at + std::wcslen(name);
            if (!values.empty()) values += L",";
            values += doc.substr(start, doc.find(L',', start) - start);
        }
        EXPECT_EQ(values.substr(0, std::wcslen(c.expected)), c.expected) << c.count << " " << c.average;
        EXPECT_EQ(doc.find(L"inf"), std::wstring::npos) << doc;
        EXPECT_EQ(doc.find(L"nan"), std::wstring::npos) << doc;
    }
}

}  // namespace
