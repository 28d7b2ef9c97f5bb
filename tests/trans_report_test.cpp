// The transmission statistics fragment written into the statistics document.
#include <gtest/gtest.h>

#include <limits>

#include "host/Markup.h"
#include "platform/TextConv.h"
#include "tests/support/StatsFileFixture.h"

using A = MonitorTestAccess;

namespace {

using TransReport = StatsFileTest;

const wchar_t kReq5[] =
    L"Req5(Description=Req5,Sum=1,Time=250,SendSize=40,RecvSize=900,SumNone=0,TimeNone=0,SendSizeNone=0,"
    L"RecvSizeNone=0)";

TEST_F(TransReport, StatisticsGoUnderTheLastLogOnAndReplaceTheEarlierReport) {
    struct Case {
        const char* name;
        std::string document;
        std::wstring expected;  // with %s standing for the "TransInfo" fragment
    };
    const std::vector<Case> cases = {
        {"two log-ons: only the last gets it",
         "<ROOT><StatisticsTime>3</StatisticsTime><LogOn><ServerName>a</ServerName></LogOn>"
         "<LogOn><ServerName>b</ServerName></LogOn></ROOT>",
         L"StatisticsTime=3,LogOn(ServerName=a),LogOn(ServerName=b,%s)"},
        {"no log-on: directly under ROOT", "<ROOT><StatisticsTime>3</StatisticsTime></ROOT>", L"StatisticsTime=3,%s"},
    };
    A::m_mapNormalStat(monitor)[5] = TRANS_STAT{1, 250, 40, 900, 0, 0, 0, 0};
    const std::wstring fragment = std::wstring(L"TransInfo(Normal(") + kReq5 + L"),Push)";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText(c.document);
        A::OutputSys_TransInfo(monitor);
        std::wstring expected = c.expected;
        expected.replace(expected.find(L"%s"), 2, fragment);
        EXPECT_EQ(Document(), expected);
        A::OutputSys_TransInfo(monitor);  // a second run replaces the fragment
        EXPECT_EQ(Document(), expected);
    }
}

TEST_F(TransReport, DescriptionsComeFromTheRequestMappingAndCountersAreSigned) {
    WriteText("<ROOT><LogOn/></ROOT>");
    A::m_mapRequestMapping(monitor)[L"Req5"] = L"行情快照 & <五档>";
    A::m_mapNormalStat(monitor)[5] = TRANS_STAT{1, 250, 40, 900, 0, 0, 0, 0};
    A::m_mapPushStat(monitor)[9] = TRANS_STAT{0, 0, 30, 0, 1, 0, 0, std::numeric_limits<std::int32_t>::min()};
    A::m_mapPushStat(monitor)[12] = TRANS_STAT{};
    A::OutputSys_TransInfo(monitor);
    EXPECT_EQ(Document(),
              L"LogOn(TransInfo(Normal(Req5(Description=行情快照 & <五档>,Sum=1,Time=250,SendSize=40,RecvSize=900,"
              L"SumNone=0,TimeNone=0,SendSizeNone=0,RecvSizeNone=0)),"
              L"Push(Req9(Description=Req9,Sum=0,Time=0,SendSize=30,RecvSize=0,SumNone=1,TimeNone=0,SendSizeNone=0,"
              L"RecvSizeNone=-2147483648),"
              L"Req12(Description=Req12,Sum=0,Time=0,SendSize=0,RecvSize=0,SumNone=0,TimeNone=0,SendSizeNone=0,"
              L"RecvSizeNone=0))))");
}

TEST_F(TransReport, AFileThatIsNotAStatisticsDocumentIsLeftAlone) {
    const char kScrambled[] = "KVRA\x10\0\0\0\x93\x11\xfe\x02garbled";
    A::m_mapNormalStat(monitor)[5] = TRANS_STAT{1, 250, 40, 900, 0, 0, 0, 0};
    for (const std::string& stored :
         {std::string("[ROOT]\r\nStatisticsTime=3\r\n"), std::string(kScrambled, sizeof(kScrambled) - 1),
          std::string("<OTHER><LogOn/></OTHER>"),
          // Cut off: rewriting it would drop the second log-on.
          std::string("<ROOT><StatisticsTime>3</StatisticsTime><LogOn><ServerName>a</ServerName></LogOn>"
                      "<LogOn><ServerName>b</Serv")}) {
        WriteText(stored);
        A::OutputSys_TransInfo(monitor);
        EXPECT_EQ(ReadText(), stored);
    }
    std::filesystem::remove(file);
    A::OutputSys_TransInfo(monitor);
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
