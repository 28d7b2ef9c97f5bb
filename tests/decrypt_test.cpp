// Offline decoding: operation logs into named XML documents, containers unscrambled in place.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "host/Markup.h"
#include "platform/TextConv.h"
#include "store/Container.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

std::string Bytes(const std::vector<OperationRecord>& records) {
    std::string bytes;
    for (const OperationRecord& r : records) {
        for (std::int32_t v : {r.nTimeOfDay, r.nType, r.nValue1, r.nValue2}) {
            const auto u = static_cast<std::uint32_t>(v);
            for (int i = 0; i < 4; ++i) bytes += static_cast<char>((u >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

CString Wide(const std::filesystem::path& path) {
    return CString(NarrowToWide(path.string()));
}

// The decoded document as "kind(time,value1,value2)" items, in order.
std::vector<std::string> Decoded(const std::filesystem::path& xml) {
    CMarkup doc;
    EXPECT_TRUE(doc.Load(Wide(xml)));
    std::vector<std::string> items;
    EXPECT_TRUE(doc.FindElem(L"ROOT"));
    doc.IntoElem();
    while (doc.FindElem()) {
        std::string item = WideToNarrow(doc.GetTagName()) + "(";
        doc.IntoElem();
        bool first = true;
        while (doc.FindElem()) {
            item += (first ? "" : ",") + WideToNarrow(doc.GetTagName()) + "=" + WideToNarrow(doc.GetData());
            first = false;
        }
        doc.OutOfElem();
        items.push_back(item + ")");
    }
    return items;
}

class DecryptTest : public ::testing::Test {
protected:
    void SetUp() override {
        monitor = std::make_unique<CMonitorControl>(true);
        auto& byType = MonitorTestAccess::m_mapOperationByType(*monitor);
        OperationName menu;
        menu.strKindName = L"MenuCommand";
        menu.mapName1[1] = L"||系统|退出";
        menu.mapName1[2] = L"||行情|自选股";
        byType[1] = menu;
        OperationName post;
        post.strKindName = L"PostExecute";
        post.mapName1[1] = L"QuoteList";
        post.mapName2[1] = L"SHSZA";
        byType[7] = post;
        log = scratch.Dir() / "DATA4706";
    }

    std::vector<std::string> DecodeLog(const std::string& bytes) {
        std::ofstream(log, std::ios::binary) << bytes;
        EXPECT_TRUE(monitor->DecryptMonitor(1, Wide(log)));
        return Decoded(log.string() + ".xml");
    }

    ScratchHost scratch;
    std::unique_ptr<CMonitorControl> monitor;
    std::filesystem::path log;
};

}  // namespace

TEST_F(DecryptTest, OperationLogsBecomeNamedDocuments) {
    struct Case {
        const char* what;
        std::vector<OperationRecord> records;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"empty log: an empty ROOT", {}, {}},
        {"time of day and both names",
         {{90507, 7, 1, 1}},
         {"PostExecute(time=09:05:07,value1=QuoteList,value2=SHSZA)"}},
        {"midnight and the last second",
         {{5, 1, 1, 0}, {235959, 1, 2, 0}},
         {"MenuCommand(time=00:00:05,value1=||系统|退出)", "MenuCommand(time=23:59:59,value1=||行情|自选股)"}},
        {"unmapped type adds nothing",
         {{100000, 42, 1, 1}, {100001, 1, 1, 0}},
         {"MenuCommand(time=10:00:01,value1=||系统|退出)"}},
        {"unmapped codes give the time alone", {{120000, 1, -1, -1}}, {"MenuCommand(time=12:00:00)"}},
        {"time out of range: empty time, names kept",
         {{-10101, 1, 2, 0}, {246060, 1, 1, 0}},
         {"MenuCommand(time=,value1=||行情|自选股)", "MenuCommand(time=,value1=||系统|退出)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeLog(Bytes(c.records)), c.expected);
    }
}

TEST_F(DecryptTest, TrailingPartialRecordIsDropped) {
    EXPECT_EQ(DecodeLog(Bytes({{90507, 1, 1, 0}}) + std::string(9, '\x07')),
              (std::vector<std::string>{"MenuCommand(time=09:05:07,value1=||系统|退出)"}));
}

TEST_F(DecryptTest, UnopenableLogAndUnknownKindsReturnFalse) {
    EXPECT_FALSE(monitor->DecryptMonitor(1, Wide(scratch.Dir() / "missing")));
    EXPECT_FALSE(std::filesystem::exists(scratch.Dir() / "missing.xml"));
    std::ofstream(log, std::ios::binary) << Bytes({{90507, 1, 1, 0}});
    for (int kind : {-1, 3, 100}) EXPECT_FALSE(monitor->DecryptMonitor(kind, Wide(log)));
    EXPECT_FALSE(std::filesystem::exists(log.string() + ".xml"));
    EXPECT_EQ(ReadText(log), Bytes({{90507, 1, 1, 0}}));
}

TEST_F(DecryptTest, KindsZeroAndTwoUnscrambleInPlace) {
    for (int kind : {0, 2}) {
        SCOPED_TRACE(kind);
        const std::string plain = "[ROOT]\r\nStatisticsTime=3\r\n";
        const auto file = scratch.Dir() / ("DATB" + std::to_string(kind));
        std::ofstream(file, std::ios::binary) << plain;
        ASSERT_TRUE(ScrambleFile(file.string().c_str()));
        ASSERT_NE(ReadText(file), plain);
        EXPECT_TRUE(monitor->DecryptMonitor(kind, Wide(file)));
        EXPECT_EQ(ReadText(file), plain);
        // A plain file is not a container: refused, left as it is.
        EXPECT_FALSE(monitor->DecryptMonitor(kind, Wide(file)));
        EXPECT_EQ(ReadText(file), plain);
    }
}
