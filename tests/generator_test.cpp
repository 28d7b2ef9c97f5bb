// Generation of the monitor configuration file from the host's UI description files and headers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/TextConv.h"
#include "tests/support/MappingTables.h"
#include "tests/support/MonitorTestAccess.h"

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;
using ::testing::Not;
using ::testing::UnorderedElementsAreArray;

namespace {

const char kEmptyConfig[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MonitorConfig>\n</MonitorConfig>\n";

CString Wide(const std::filesystem::path& path) {
    return CString(NarrowToWide(path.string()));
}

// Lines of the forward and request tables that begin with `prefix`.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
                 [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    return out;
}

// The element lines of the configuration file's "OperationMapping" section.
std::vector<std::string> OperationMappingSection(const std::filesystem::path& dir) {
    const std::vector<std::string> all = DocumentLines(dir / "Config" / "MonitorConfig.xml");
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string& line : all) {
        if (line.rfind("  OperationMapping ", 0) == 0) {
            inside = true;
        } else if (inside && line.rfind("    ", 0) != 0) {
            break;
        }
        if (inside) section.push_back(line);
    }
    return section;
}

void WriteHostUiFiles(const std::filesystem::path& dir) {
    WriteTextFile(dir, "configuration.xml",
                  "<FENDRAKE><WORKSPACE><NAME>行情报价</NAME><LAYOUT>4</LAYOUT></WORKSPACE>"
                  "<WORKSPACE><NAME>Trading Desk</NAME></WORKSPACE><WORKSPACE><LAYOUT>1</LAYOUT></WORKSPACE>"
                  "<WORKSPACE><NAME></NAME></WORKSPACE><WORKSPACE><NAME>K线分析</NAME></WORKSPACE></FENDRAKE>");
    WriteTextFile(dir, "menu.xml",
                  "<ROOT><FDMENUBAR><MENU NAME=\"MainMenu\">"
                  "<MENU NAME=\"File\"><MENU NAME=\"New\"/><MENU NAME=\"Open\"/><MENU NAME=\"Exit\"/></MENU>"
                  "<MENU NAME=\"行情\"><MENU NAME=\"分时走势\"/><MENU NAME=\"K线图\"><MENU NAME=\"日线\"/></MENU>"
                  "<MENU NAME=\"Tile Horizontally\"/></MENU>"
                  "</MENU></FDMENUBAR></ROOT>");
    WriteTextFile(dir, "toolbar.xml",
                  "<ROOT><FDTOOLBAR><BUTTON NAME=\"刷新\"/>"
                  "<BUTTON NAME=\"K线\"><MENU NAME=\"日K线\"/><MENU NAME=\"周K线\"/></BUTTON>"
                  "<BUTTON NAME=\"Zoom In\"/></FDTOOLBAR></ROOT>");
    // Items without a name are not written but take their number.
    WriteTextFile(dir, "dialog.xml",
                  "<ROOT><DIALOG NAME=\"系统设置\"/><DIALOG/><DIALOG NAME=\"\"/><DIALOG NAME=\"Find Stock\"/></ROOT>");
    WriteTextFile(dir, "tab.xml", "<ROOT><TAB/><TAB NAME=\"沪深A股\"/><TAB NAME=\"自选股\"/></ROOT>");
}

const std::vector<std::string> kUiKinds = {
    "op WorkspaceChanged type 0",
    "op WorkspaceChanged v1 行情报价=1",
    "op WorkspaceChanged v1 Trading Desk=2",
    "op WorkspaceChanged v1 K线分析=5",
    "op MenuCommand type 1",
    "op MenuCommand v1 ||File|New=1",
    "op MenuCommand v1 ||File|Open=2",
    "op MenuCommand v1 ||File|Exit=3",
    "op MenuCommand v1 ||行情|分时走势=4",
    "op MenuCommand v1 ||行情|K线图=5",
    "op MenuCommand v1 ||行情|Tile Horizontally=6",
    "op ToolbarCommand type 2",
    "op ToolbarCommand v1 ||刷新=1",
    "op ToolbarCommand v1 ||K线|日K线=2",
    "op ToolbarCommand v1 ||K线|周K线=3",
    "op ToolbarCommand v1 ||Zoom In=4",
    "op DialogShow type 3",
    "op DialogShow v1 系统设置=1",
    "op DialogShow v1 Find Stock=4",
    "op TabWndActive type 4",
    "op TabWndActive v1 沪深A股=2",
    "op TabWndActive v1 自选股=3",
    "op PopupMenuOpen type 5",
    "op PopupMenuClose type 6",
};

// The three command headers: which line is taken, and where it is filed.
void WriteCommandHeaders(const std::filesystem::path& dir) {
    WriteTextFile(dir, "CmdMgrLogicDefine.h",
                  "#pragma once\n"
                  "#define CMD_OPEN _T(\"Open\")\n"            // value2 1
                  "#define CMD_SAVE _T(\"Save\") // 保存\n"    // trailing comment: left out
                  "#define CMD_FUN_REFRESH _T(\"Refresh\")\n"  // FUN in the macro name: value1 1
                  "#define CMD_FUNDS _T(\"Funds\")\n"          // value1 2
                  "#define CMD_ZOOM _T(\"FUNZoom+\")\n"        // FUN in the string: value1 3
                  "#define CMD_LOWER _T(\"fun\")\n"            // lower case is not FUN: value2 2
                  "#define  CMD_SPACED\t  _T(\"Spaced\")\n"    // value2 3
                  "#define CMD_CN _T(\"打开行情\")\n"          // value2 4
                  "#define CMD_BLANK _T(\"Two Words\")\n"      // blank inside the string: left out
                  "#define MAX_STOCK 4096\n"                   // not a command string
                  "// #define CMD_OLD _T(\"Old\")\n");         // commented out
    WriteTextFile(dir, "LogicHandlerFun.h",
                  "#define LOGIC_FUN_KLINE _T(\"ShowKLine\")\r\n"  // value1 4 (CRLF line ends)
                  "#define CMD_CLOSE _T(\"Close\")\r\n");          // value2 5
    WriteTextFile(dir, "LogicHandlerFun2.h",
                  "#define CMD_OPEN_AGAIN _T(\"Open\")\n"  // value2 6, the first Open keeps 1
                  "#define CMD_LAST _T(\"Last\")");        // value2 7, no final line end
}

const std::vector<std::string> kPostExecute = {
    "op PostExecute type 7",        "op PostExecute v1 Refresh=1",   "op PostExecute v1 Funds=2",
    "op PostExecute v1 FUNZoom+=3", "op PostExecute v1 ShowKLine=4", "op PostExecute v2 Open=1",
    "op PostExecute v2 fun=2",      "op PostExecute v2 Spaced=3",    "op PostExecute v2 打开行情=4",
    "op PostExecute v2 Close=5",    "op PostExecute v2 Last=7",
};

void WriteRequestHeader(const std::filesystem::path& dir) {
    WriteTextFile(dir, "ClientRequest.h",
                  "#ifndef CLIENT_REQUEST_H\n"
                  "#define REQID_LOGIN 2001 // 用户登录\n"
                  "#define REQID_SNAPSHOT 0042 //行情快照\n"
                  "#define REQID_NOCOMMENT 2003\n"
                  "#define REQID_KLINE   2004\t//   K线数据 (日/周/月)\n"
                  "#define REQID_EMPTY 2005 //\n"
                  "#define MAX_REQ 9999 // not a request\n"
                  "#endif\n");
}

const std::vector<std::string> kRequests = {
    "req Req2001= 用户登录",
    "req Req0042=行情快照",
    "req Req2004=   K线数据 (日/周/月)",
    "req Req2005=",
};

}  // namespace

TEST(MappingGenerator, NumbersTheHostFilesInDocumentOrder) {
    ScratchHost scratch;
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", kEmptyConfig);
    WriteHostUiFiles(scratch.Dir());
    CMonitorControl(true).CreateOperationMapping();
    // No header: no "PostExecute" kind and no request section.
    EXPECT_THAT(LoadedMappingLines(false), UnorderedElementsAreArray(kUiKinds));
}

TEST(MappingGenerator, MissingUiFilesGiveKindsWithoutValues) {
    ScratchHost scratch;
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", kEmptyConfig);
    CMonitorControl(true).CreateOperationMapping();
    EXPECT_THAT(LoadedMappingLines(false),
                UnorderedElementsAreArray({"op WorkspaceChanged type 0", "op MenuCommand type 1",
                                           "op ToolbarCommand type 2", "op DialogShow type 3", "op TabWndActive type 4",
                                           "op PopupMenuOpen type 5", "op PopupMenuClose type 6"}));
}

TEST(MappingGenerator, FilesCommandStringsAndRequestsFromTheHeaders) {
    ScratchHost scratch;
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", kEmptyConfig);
    WriteCommandHeaders(scratch.Dir());
    WriteRequestHeader(scratch.Dir());
    CMonitorControl(true).CreateOperationMapping();
    const std::vector<std::string> lines = LoadedMappingLines(false);
    EXPECT_THAT(LinesStartingWith(lines, "op PostExecute "), UnorderedElementsAreArray(kPostExecute));
    EXPECT_THAT(LinesStartingWith(lines, "req "), UnorderedElementsAreArray(kRequests));
}

// Lines of some thousands of characters: a request line whose number runs on without its "//"
// would make the pattern backtrack past its complexity limit. Such lines are skipped, in bounded
// time, and the lines around them are still taken, a long description included.
TEST(MappingGenerator, LongHeaderLinesAreSkippedOrTakenInBoundedTime) {
    ScratchHost scratch;
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", kEmptyConfig);
    const std::string digits(100000, '1');
    const std::string description(50000, 'd');
    WriteTextFile(scratch.Dir(), "ClientRequest.h",
                  "#define REQID_LOGIN 2001 // 用户登录\n"
                  "#define REQIDA" +
                      digits +
                      "x//runaway\n"
                      "#define REQIDB" +
                      digits +
                      "\n"
                      "#define REQID_X " +
                      digits +
                      " x\n"
                      "#define REQID_LONG 2002 //" +
                      description +
                      "\n"
                      "#define REQID_LAST 2003 //last\n");
    WriteTextFile(scratch.Dir(), "CmdMgrLogicDefine.h",
                  "#define CMD_A _T(\"A\")\n"
                  "#define " +
                      digits + " _T(\"" + digits +
                      "\")x\n"
                      "#define CMD_B _T(\"" +
                      digits + "\")\n");
    const auto start = std::chrono::steady_clock::now();
    CMonitorControl(true).CreateOperationMapping();
    // Quadratic work over these lines takes minutes; the bound is for a sanitizer build on a busy
    // machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    const std::vector<std::string> lines = LoadedMappingLines(false);
    EXPECT_THAT(LinesStartingWith(lines, "req "),
                UnorderedElementsAreArray(std::vector<std::string>{"req Req2001= 用户登录",
                                                                   "req Req2002=" + description, "req Req2003=last"}));
    EXPECT_THAT(LinesStartingWith(lines, "op PostExecute "),
                UnorderedElementsAreArray(std::vector<std::string>{"op PostExecute type 7", "op PostExecute v2 A=1",
                                                                   "op PostExecute v2 " + digits + "=2"}));
}

TEST(MappingGenerator, HeaderCountersRunOnFromTheCaller) {
    ScratchHost scratch;
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", kEmptyConfig);
    WriteTextFile(scratch.Dir(), "a.h", "#define CMD_FUN_A _T(\"A\")\n#define CMD_B _T(\"B\")\n");
    WriteTextFile(scratch.Dir(), "b.h", "#define CMD_C _T(\"C\")\n");
    const CString config = Wide(scratch.Dir() / "Config" / "MonitorConfig.xml");
    CMonitorControl monitor(true);
    int type = 20, value1 = 5, value2 = 9;
    monitor.ParseHeaderFile(Wide(scratch.Dir() / "a.h"), type, value1, value2, config);
    monitor.ParseHeaderFile(Wide(scratch.Dir() / "b.h"), type, value1, value2, config);
    EXPECT_EQ(type, 21);  // the kind was created once
    EXPECT_EQ(value1, 6);
    EXPECT_EQ(value2, 11);
    // A file without "OperationMapping" gets the section, so that the loader sees the kind.
    EXPECT_THAT(LoadedMappingLines(false),
                UnorderedElementsAreArray({"op PostExecute type 20", "op PostExecute v1 A=5", "op PostExecute v2 B=9",
                                           "op PostExecute v2 C=10"}));
}

TEST(MappingGenerator, RunningTwiceRebuildsTheSameSections) {
    ScratchHost scratch;
    // A stale section and one the generator does not own.
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml",
                  "<MonitorConfig><Comment>kept</Comment>"
                  "<OperationMapping><Stale><type>9</type><value1><X>1</X></value1><value2/></Stale></OperationMapping>"
                  "<RequestMapping><Req1>stale</Req1></RequestMapping></MonitorConfig>");
    WriteHostUiFiles(scratch.Dir());
    WriteCommandHeaders(scratch.Dir());
    WriteRequestHeader(scratch.Dir());

    CMonitorControl(true).CreateOperationMapping();
    const std::vector<std::string> first = OperationMappingSection(scratch.Dir());
    const std::vector<std::string> tablesAfterFirst = LoadedMappingLines();
    CMonitorControl(true).CreateOperationMapping();

    ASSERT_THAT(first, Not(IsEmpty()));
    EXPECT_THAT(OperationMappingSection(scratch.Dir()), ElementsAreArray(first));
    const std::vector<std::string> tables = LoadedMappingLines();
    EXPECT_THAT(tables, ElementsAreArray(tablesAfterFirst));
    EXPECT_THAT(tables, IsSupersetOf({"op PostExecute type 7", "rev 7 PostExecute"}));
    EXPECT_THAT(tables, Not(Contains("op Stale type 9")));
    EXPECT_THAT(tables, Not(Contains("req Req1=stale")));
    EXPECT_THAT(DocumentLines(scratch.Dir() / "Config" / "MonitorConfig.xml"), Contains("  Comment [kept]"));
}

TEST(MappingGenerator, MissingHeadersLeaveTheFileAsTheLastStepSavedIt) {
    ScratchHost scratch;
    const std::filesystem::path configFile = scratch.Dir() / "Config" / "MonitorConfig.xml";
    const CString config = Wide(configFile);
    const std::string saved =
        "<MonitorConfig><OperationMapping><MenuCommand><type>1</type><value1/><value2>0</value2></MenuCommand>"
        "</OperationMapping><RequestMapping><Req2001>Login</Req2001></RequestMapping></MonitorConfig>";
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", saved);

    CMonitorControl monitor(true);
    int type = 7, value1 = 1, value2 = 1;
    monitor.ParseHeaderFile(Wide(scratch.Dir() / "Missing.h"), type, value1, value2, config);
    monitor.ParseClientRequest(Wide(scratch.Dir() / "Missing.h"), config);
    EXPECT_EQ(ReadTextFile(configFile), saved);
    EXPECT_EQ(type, 7);  // no number is taken for a header that could not be read

    // Through the whole run: with the first command header missing, "PostExecute" still gets 7
    // from the next one, and the requests saved earlier stay when the request header is missing.
    WriteCommandHeaders(scratch.Dir());
    std::filesystem::remove(scratch.Dir() / "CmdMgrLogicDefine.h");
    monitor.CreateOperationMapping();
    EXPECT_THAT(LinesStartingWith(LoadedMappingLines(false), "op PostExecute "),
                UnorderedElementsAreArray({"op PostExecute type 7", "op PostExecute v1 ShowKLine=1",
                                           "op PostExecute v2 Close=1", "op PostExecute v2 Open=2",
                                           "op PostExecute v2 Last=3"}));
    EXPECT_THAT(LinesStartingWith(LoadedMappingLines(false), "req "), ElementsAreArray({"req Req2001=Login"}));
}

// A configuration file as the host itself writes it: keys as element names, unescaped.
const char kHostWrittenConfig[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<MonitorConfig>\r\n<Comment>kept</Comment>\r\n"
    "<OperationMapping>\r\n<MenuCommand>\r\n<type>1</type>\r\n<value1>\r\n"
    "<||文件|另存为 ...>1</||文件|另存为 ...>\r\n<||行情|Level2 深度行情>2</||行情|Level2 深度行情>\r\n"
    "<||编辑|\"复制\" & 'A<B'>3</||编辑|\"复制\" & 'A<B'>\r\n</value1>\r\n<value2>0</value2>\r\n</MenuCommand>\r\n"
    "</OperationMapping>\r\n<RequestMapping>\r\n<Req1>stale</Req1>\r\n</RequestMapping>\r\n</MonitorConfig>\r\n";

TEST(MappingGenerator, RebuildsAFileTheHostWrote) {
    ScratchHost scratch;
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", kHostWrittenConfig);
    WriteHostUiFiles(scratch.Dir());
    WriteRequestHeader(scratch.Dir());
    CMonitorControl(true).CreateOperationMapping();
    const std::vector<std::string> lines = LoadedMappingLines(false);
    EXPECT_THAT(LinesStartingWith(lines, "op "), UnorderedElementsAreArray(kUiKinds));
    EXPECT_THAT(LinesStartingWith(lines, "req "), UnorderedElementsAreArray(kRequests));
    EXPECT_THAT(DocumentLines(scratch.Dir() / "Config" / "MonitorConfig.xml"), Contains("  Comment [kept]"));
}

TEST(MappingGenerator, NeverWritesAFileWithoutItsRoot) {
    ScratchHost scratch;
    WriteHostUiFiles(scratch.Dir());
    WriteCommandHeaders(scratch.Dir());
    WriteRequestHeader(scratch.Dir());
    const std::filesystem::path configFile = scratch.Dir() / "Config" / "MonitorConfig.xml";

    CMonitorControl(true).CreateOperationMapping();
    EXPECT_FALSE(std::filesystem::exists(configFile));

    // Nor one it could not read whole: saving it would drop its tail.
    const std::string hostWritten = kHostWrittenConfig;
    for (const std::string& content : {std::string("<OtherRoot><OperationMapping/></OtherRoot>"),
                                       std::string("<MonitorConfig><OperationMapping><MenuCommand>"),
                                       hostWritten.substr(0, hostWritten.find("<RequestMapping>") + 20)}) {
        WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", content);
        CMonitorControl(true).CreateOperationMapping();
        EXPECT_EQ(ReadTextFile(configFile), content);
    }
}

// The checked-in sample configuration is what the generator makes of the sample host files. Run
// with MONITOR_REGENERATE_SAMPLES=1 to write the generated file back into the source tree.
TEST(MappingGenerator, SampleConfigurationIsUpToDate) {
    const std::filesystem::path samples = std::filesystem::path(MONITOR_SOURCE_DIR) / "samples" / "host";
    const std::filesystem::path sampleConfig = samples / "Config" / "MonitorConfig.xml";
    ASSERT_TRUE(std::filesystem::exists(sampleConfig));

    ScratchHost scratch;
    std::filesystem::copy(samples, scratch.Dir(), std::filesystem::copy_options::recursive);
    CMonitorControl(true).CreateOperationMapping();
    const std::filesystem::path generated = scratch.Dir() / "Config" / "MonitorConfig.xml";

    if (std::getenv("MONITOR_REGENERATE_SAMPLES"))
        std::filesystem::copy_file(generated, sampleConfig, std::filesystem::copy_options::overwrite_existing);
    EXPECT_THAT(DocumentLines(generated), ElementsAreArray(DocumentLines(sampleConfig)));

    // The sample serves the host program's built-in session: its keys are in the form the handlers
    // record them.
    EXPECT_THAT(LoadedMappingLines(false),
                IsSupersetOf({"op WorkspaceChanged v1 默认工作区=1", "op MenuCommand v1 ||系统|连接行情服务器=1",
                              "op ToolbarCommand v1 ||报价=1", "op DialogShow v1 系统设置=3",
                              "op TabWndActive v1 沪深A股=1", "op PostExecute type 7", "op PostExecute v1 QuoteList=1",
                              "op PostExecute v2 SHSZA=1", "req Req2001= 用户登录"}));
}

TEST(MappingGenerator, OneRunWritesWhatItsStepsWriteOneAfterTheOther) {
    // The run builds its document once; the public steps load and save the file each. Both must
    // leave the same bytes, a stale request section and a section the generator does not own
    // included.
    const std::string start =
        "<MonitorConfig><Comment>kept</Comment><RequestMapping><Req1>stale</Req1></RequestMapping></MonitorConfig>";
    std::string whole;
    {
        ScratchHost scratch;
        WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", start);
        WriteHostUiFiles(scratch.Dir());
        WriteCommandHeaders(scratch.Dir());
        WriteRequestHeader(scratch.Dir());
        CMonitorControl(true).CreateOperationMapping();
        whole = ReadTextFile(scratch.Dir() / "Config" / "MonitorConfig.xml");
    }
    ScratchHost scratch;
    WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml", start);
    WriteHostUiFiles(scratch.Dir());
    CMonitorControl monitor(true);
    monitor.CreateOperationMapping();  // no headers yet: the UI kinds only
    WriteCommandHeaders(scratch.Dir());
    WriteRequestHeader(scratch.Dir());
    const CString config = Wide(scratch.Dir() / "Config" / "MonitorConfig.xml");
    int type = 7, value1 = 1, value2 = 1;
    for (const char* header : {"CmdMgrLogicDefine.h", "LogicHandlerFun.h", "LogicHandlerFun2.h"})
        monitor.ParseHeaderFile(Wide(scratch.Dir() / header), type, value1, value2, config);
    monitor.ParseClientRequest(Wide(scratch.Dir() / "ClientRequest.h"), config);
    EXPECT_EQ(ReadTextFile(scratch.Dir() / "Config" / "MonitorConfig.xml"), whole);
    EXPECT_THAT(whole, ::testing::HasSubstr("PostExecute"));
    EXPECT_THAT(whole, Not(::testing::HasSubstr("stale")));
}
