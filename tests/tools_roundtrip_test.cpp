// The tools end to end: monitor-mapping generates a host's monitor configuration from its
// description files, monitor-host plays user-interface events through the plug-in, and
// monitor-decode turns the operation log back into the names the events had, while the log's
// codes are those the generated configuration assigns.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/Markup.h"
#include "platform/Module.h"
#include "platform/TextConv.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/MonitorTestAccess.h"
#include "tests/support/OpLogTestUtil.h"

namespace fs = std::filesystem;

namespace {

struct Event {
    std::string scriptLine;
    std::string kind;    // the operation kind it is recorded under
    std::string value1;  // the names it is recorded with ("" for none)
    std::string value2;
};

// The decoded log's entries as "kind value1 value2".
std::vector<std::string> DecodedEntries(const fs::path& xml) {
    CMarkup doc;
    EXPECT_TRUE(doc.Load(CString(NarrowToWide(Utf8(xml))))) << xml;
    std::vector<std::string> entries;
    if (!doc.FindElem(L"ROOT")) return entries;
    doc.IntoElem();
    while (doc.FindElem()) {
        std::string entry = WideToNarrow(doc.GetTagName());
        for (const wchar_t* value : {L"value1", L"value2"}) {
            doc.IntoElem();
            entry += " " + (doc.FindElem(value) ? WideToNarrow(doc.GetData()) : std::string());
            doc.OutOfElem();
        }
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

TEST(ToolsRoundTrip, DecodedNamesAreTheEventsAndCodesAreTheGeneratedOnes) {
    ScratchHost scratch;  // also the executable directory of this process, to load the generated file
    const fs::path host = scratch.Dir();
    CopyHostInstallation(host, SampleHostDir());
    const fs::path config = host / "Config" / "MonitorConfig.xml";
    fs::remove(config);

    ChildResult mapping = RunChild({Utf8(host / "monitor-mapping"), Utf8(host)});
    ASSERT_EQ(mapping.exitCode, 0) << mapping.err;
    ASSERT_TRUE(fs::is_regular_file(config));

    // Names chosen with codes other than 1, so a code taken from the wrong entry shows.
    const std::vector<Event> events = {
        {"workspace K线分析", "WorkspaceChanged", "K线分析", ""},
        {"menu \\\\行情\\自选股", "MenuCommand", "||行情|自选股", ""},
        {"toolbar \\\\指标\\MACD", "ToolbarCommand", "||指标|MACD", ""},
        {"dialog 条件选股", "DialogShow", "条件选股", ""},
        {"tab 创业板", "TabWndActive", "创业板", ""},
        {"command OpenQuote HKCONNECT", "PostExecute", "OpenQuote", "HKCONNECT"},
    };
    std::ofstream script(host / "session.txt");
    for (const Event& event : events) script << event.scriptLine << "\n";
    script.close();
    ChildResult session = RunChild({Utf8(host / "monitor-host"), Utf8(host / "session.txt")});
    ASSERT_EQ(session.exitCode, 0) << session.out << session.err;
    // The plug-in's path is shown as the system writes it.
    EXPECT_NE(
        session.out.find("monitor-host: loaded " + Utf8(host / WideToNarrow(ModuleFileName(L"qzmonitor"))) + "\n"),
        std::string::npos)
        << session.out;

    std::vector<fs::path> logs;
    for (const auto& entry : fs::directory_iterator(scratch.DataDir()))
        if (entry.path().filename().string().rfind("DATA", 0) == 0) logs.push_back(entry.path());
    ASSERT_EQ(logs.size(), 1u) << "one day's log expected";

    // The codes in the log are what the generated file maps the names to.
    CMonitorControl offline(true);
    auto& byName = MonitorTestAccess::m_mapOperationByName(offline);
    const std::vector<OperationRecord> records = ReadRecords(logs[0]);
    ASSERT_EQ(records.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        const Event& event = events[i];
        SCOPED_TRACE(event.scriptLine);
        ASSERT_EQ(byName.count(NarrowToWide(event.kind)), 1u);
        const OperationCode& code = byName[NarrowToWide(event.kind)];
        EXPECT_EQ(records[i].nType, code.nType);
        ASSERT_EQ(code.mapValue1.count(NarrowToWide(event.value1)), 1u);
        EXPECT_EQ(records[i].nValue1, code.mapValue1.at(NarrowToWide(event.value1)));
        EXPECT_NE(records[i].nValue1, 1);
        if (!event.value2.empty()) {
            ASSERT_EQ(code.mapValue2.count(NarrowToWide(event.value2)), 1u);
            EXPECT_EQ(records[i].nValue2, code.mapValue2.at(NarrowToWide(event.value2)));
        }
    }

    // The decoder gives the names back.
    ChildResult decode = RunChild({Utf8(host / "monitor-decode"), "oplog", Utf8(logs[0]), "--host", Utf8(host)});
    ASSERT_EQ(decode.exitCode, 0) << decode.err;
    std::vector<std::string> expected;
    for (const Event& event : events) expected.push_back(event.kind + " " + event.value1 + " " + event.value2);
    EXPECT_EQ(DecodedEntries(fs::path(logs[0]) += ".xml"), expected);
}

// The configuration file the host installs holds its keys as it writes them, unescaped; the tool
// rebuilds it rather than refusing it, and keeps what the generator does not own.
TEST(ToolsRoundTrip, MappingRebuildsAConfigurationTheHostWrote) {
    ScratchHost scratch;
    const fs::path host = scratch.Dir();
    CopyHostInstallation(host, SampleHostDir());
    const fs::path config = host / "Config" / "MonitorConfig.xml";
    std::ofstream(config, std::ios::binary | std::ios::trunc)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<MonitorConfig>\r\n<Comment>kept</Comment>\r\n"
           "<OperationMapping><MenuCommand><type>1</type><value1>"
           "<||文件|另存为 ...>1</||文件|另存为 ...><||行情|Level2 深度行情>2</||行情|Level2 深度行情>"
           "</value1><value2>0</value2></MenuCommand></OperationMapping>\r\n</MonitorConfig>\r\n";

    ChildResult mapping = RunChild({Utf8(host / "monitor-mapping"), Utf8(host)});
    ASSERT_EQ(mapping.exitCode, 0) << mapping.err;
    EXPECT_EQ(mapping.out, Utf8(config) + ": regenerated\n");

    CMarkup doc;
    ASSERT_TRUE(doc.Load(CString(NarrowToWide(Utf8(config)))));
    ASSERT_TRUE(doc.FindElem(L"MonitorConfig") && doc.IntoElem());
    ASSERT_TRUE(doc.FindElem(L"Comment"));
    EXPECT_EQ(doc.GetData(), L"kept");
    CMonitorControl offline(true);
    const auto& byName = MonitorTestAccess::m_mapOperationByName(offline);
    ASSERT_EQ(byName.count(L"MenuCommand"), 1u);
    EXPECT_EQ(byName.at(L"MenuCommand").mapValue1.count(L"||系统|连接行情服务器"), 1u);
    EXPECT_EQ(byName.at(L"MenuCommand").mapValue1.count(L"||文件|另存为 ..."), 0u);
    EXPECT_EQ(byName.count(L"PostExecute"), 1u);
}

// A host installed in a folder named in Chinese: each tool takes the folder, or a script in it,
// from its arguments, on Windows too, where the ANSI code page of a Western system lacks these
// characters; the paths the tools print are those given, in UTF-8.
TEST(ToolsRoundTrip, ToolsWorkInAHostFolderNamedInChinese) {
    ScratchHost scratch;
    const fs::path host = scratch.Dir() / fs::path(u8"监控终端");
    CopyHostInstallation(host, SampleHostDir());
    const fs::path config = host / "Config" / "MonitorConfig.xml";
    fs::remove(config);

    const ChildResult mapping = RunChild({Utf8(host / "monitor-mapping"), Utf8(host)});
    ASSERT_EQ(mapping.exitCode, 0) << mapping.err;
    EXPECT_EQ(mapping.out, Utf8(config) + ": regenerated\n");
    ASSERT_TRUE(fs::is_regular_file(config));

    const fs::path script = host / fs::path(u8"会话.txt");
    std::ofstream(script, std::ios::binary) << "dialog 条件选股\ntab 创业板\n";
    const ChildResult session = RunChild({Utf8(host / "monitor-host"), Utf8(script)});
    ASSERT_EQ(session.exitCode, 0) << session.out << session.err;
    EXPECT_NE(
        session.out.find("monitor-host: loaded " + Utf8(host / WideToNarrow(ModuleFileName(L"qzmonitor"))) + "\n"),
        std::string::npos)
        << session.out;
    EXPECT_NE(session.out.find("monitor-host: published 2 messages\n"), std::string::npos) << session.out;

    // The log the plug-in wrote in the folder decodes with the names of the generated configuration.
    const ChildResult show = RunChild({Utf8(host / "monitor-decode"), "show", Utf8(host)});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    for (const char* shown : {": operation log, 32 bytes", "2 records", "条件选股", "创业板"})
        EXPECT_NE(show.out.find(shown), std::string::npos) << shown << "\n" << show.out;
}
