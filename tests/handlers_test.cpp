// The user-interface event handlers, driven end to end: the reference host publishes its
// messages to the plug-in, and the test reads the records back from the day's operation log.
#include <gtest/gtest.h>

#include <boost/any.hpp>
#include <boost/tuple/tuple.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "tests/support/MonitorConfigWriter.h"
#include "tests/support/MonitorTestAccess.h"
#include "tests/support/OpLogTestUtil.h"

namespace {

using Codes = std::tuple<int, int, int>;  // kind, value1, value2 of one record

const std::wstring kLongTitle(254, L'长');

std::vector<ConfigKind> Kinds() {
    return {
        {L"WorkspaceChanged", 0, {{L"默认工作区", 1}}, {{L"1", 101}, {L"5", 105}, {L"-1", 201}}},
        {L"MenuCommand", 1, {{L"||系统|连接行情服务器", 11}}, {}},
        {L"ToolbarCommand", 2, {{L"||报价", 21}, {L"||报价|分时", 22}}, {}},
        {L"DialogShow",
         3,
         {{L"资讯信息", 31}, {L"esc返回", 32}, {L"登录对话框", 33}, {L"系统设置", 34}, {kLongTitle, 35}},
         {}},
        {L"TabWndActive", 4, {{L"沪深A股", 41}}, {}},
        {L"PopupMenuOpen", 5, {}, {}},
        {L"PopupMenuClose", 6, {}, {}},
        {L"PostExecute", 7, {{L"OpenQuote", 71}}, {{L"600000", 72}}},
    };
}

class Handlers : public ::testing::Test {
protected:
    Handlers() {
        clock.SetDay(4706);
        EXPECT_TRUE(WriteMonitorConfig(scratch.Dir(), Kinds()));
        QZLibInitialize();
        monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    }
    ~Handlers() override {
        ::testing::internal::CaptureStdout();
        QZLibDestroy();
        ::testing::internal::GetCapturedStdout();
    }

    std::vector<Codes> Records() {
        std::vector<Codes> codes;
        for (const OperationRecord& r : ReadMonitorLog(*monitor, scratch.DataDir() / "DATA4706"))
            codes.emplace_back(r.nType, r.nValue1, r.nValue2);
        return codes;
    }
    void Publish(const wchar_t* name, const boost::any& payload) { host.Publisher().publish(name, payload); }
    void Workspace(const wchar_t* name) { Publish(L"WorkspaceChanged", boost::make_tuple(CString(name), CString())); }

    ScratchHost scratch;
    TestClock clock;
    HostEnvironment host;
    CMonitorControl* monitor = nullptr;
};

TEST_F(Handlers, CommandsPopupsAndPostExecution) {
    ASSERT_NE(monitor, nullptr);
    Publish(L"MenuCommand", CString(L"\\\\系统\\连接行情服务器"));
    Publish(L"ToolbarCommand", CString(L"\\\\报价\\分时"));
    Publish(L"ToolbarCommand", CString(L"\\\\报价"));
    Publish(L"ToolbarCommand", CString(L"\\报价"));
    Publish(L"PopupMenuOpen", 0);
    Publish(L"PopupMenuOpen", CString(L"payload not read"));
    host.Commands().excute(L"OpenQuote", L"600000");
    host.Commands().excute(L"CloseQuote", L"");
    // Not subscribed, but recorded under its own kind when called.
    MonitorTestAccess::OutputOp_PopupMenuClose(*monitor, boost::any());
    EXPECT_EQ(Records(), (std::vector<Codes>{{1, 11, 0},
                                             {2, 22, 0},
                                             {2, 21, 0},
                                             {2, -1, 0},
                                             {5, 0, 0},
                                             {5, 0, 0},
                                             {7, 71, 72},
                                             {7, -1, -1},
                                             {6, 0, 0}}));
}

TEST_F(Handlers, DialogTitles) {
    struct Case {
        std::wstring title;
        int code;
    };
    const Case cases[] = {
        {L"系统设置", 34},
        {L"Esc", 31},
        {L"按Esc返回", 31},
        {L"esc返回", 32},  // lower case keeps its title
        {L"", 33},
        {kLongTitle, 35},
        {kLongTitle + L"X", 35},  // cut to 254 characters
        {kLongTitle + std::wstring(100, L'Y'), 35},
        {kLongTitle.substr(1), -1},
        {std::wstring(300, L'x') + L"Esc", -1},  // "Esc" beyond the cut is not seen
    };
    std::vector<Codes> expected;
    for (const Case& c : cases) {
        HWND window = host.CreateDialogWindow(c.title);
        Publish(L"DialogShow", window);
        host.DestroyDialogWindow(window);
        expected.emplace_back(3, c.code, 0);
    }
    // A window whose title cannot be read counts as untitled.
    HWND gone = host.CreateDialogWindow(L"系统设置");
    host.DestroyDialogWindow(gone);
    Publish(L"DialogShow", gone);
    expected.emplace_back(3, 33, 0);
    EXPECT_EQ(Records(), expected);
}

TEST_F(Handlers, WorkspaceRecordsTheSecondsPartOfTheTimeSinceTheLastChange) {
    clock.Advance(5);
    Workspace(L"默认工作区");  // 5 s after construction
    clock.Advance(61);
    Workspace(L"默认工作区");  // 61 s: "1"
    clock.Advance(3600);
    Workspace(L"默认工作区");  // 3600 s: "0"
    clock.Advance(-61);
    Workspace(L"自选工作区");  // the clock went back 61 s: "-1"
    EXPECT_EQ(Records(), (std::vector<Codes>{{0, 1, 105}, {0, 1, 101}, {0, 1, 0}, {0, -1, 201}}));
}

TEST_F(Handlers, TabActivationReadsTheCurrentQuoteTab) {
    Publish(L"TabWndActive", 0);  // no current tab: nothing, no error
    EXPECT_TRUE(Records().empty());

    tagQuoteTabInfo tab;
    tab.strText = L"沪深A股";
    host.Context().setcontext(L"CONTEXT_CURRENTQUOTETAB", tab);
    Publish(L"TabWndActive", CString(L"payload not read"));
    tab.strText = L"港股";
    host.Context().setcontext(L"CONTEXT_CURRENTQUOTETAB", tab);
    Publish(L"TabWndActive", 0);
    EXPECT_EQ(Records(), (std::vector<Codes>{{4, 41, 0}, {4, -1, 0}}));

    host.Context().setcontext(L"CONTEXT_CURRENTQUOTETAB", CString(L"沪深A股"));
    EXPECT_THROW(Publish(L"TabWndActive", 0), boost::bad_any_cast);
    EXPECT_EQ(Records().size(), 2u);
}

TEST_F(Handlers, PayloadOfAnotherTypeRaisesBadAnyCastAndWritesNothing) {
    const std::pair<const wchar_t*, boost::any> wrong[] = {
        {L"MenuCommand", 42},
        {L"MenuCommand", boost::any()},
        {L"ToolbarCommand", std::wstring(L"\\\\报价")},
        {L"DialogShow", CString(L"系统设置")},
        {L"WorkspaceChanged", CString(L"默认工作区")},
        {L"WorkspaceChanged", std::make_tuple(CString(L"默认工作区"), CString())},
    };
    clock.Advance(5);
    for (const auto& [name, payload] : wrong)
        EXPECT_THROW(Publish(name, payload), boost::bad_any_cast) << WideToNarrow(std::wstring(name));
    EXPECT_TRUE(Records().empty());
    // The rejected workspace changes did not move the time of the last change.
    Workspace(L"默认工作区");
    EXPECT_EQ(Records(), (std::vector<Codes>{{0, 1, 105}}));
}

TEST_F(Handlers, NothingIsRecordedWhileStopping) {
    MonitorTestAccess::m_bStopping(*monitor) = true;
    HWND window = host.CreateDialogWindow(L"系统设置");
    tagQuoteTabInfo tab;
    tab.strText = L"沪深A股";
    host.Context().setcontext(L"CONTEXT_CURRENTQUOTETAB", tab);
    clock.Advance(61);
    Workspace(L"默认工作区");
    Publish(L"MenuCommand", CString(L"\\\\系统\\连接行情服务器"));
    Publish(L"ToolbarCommand", CString(L"\\\\报价"));
    Publish(L"PopupMenuOpen", 0);
    Publish(L"DialogShow", window);
    Publish(L"TabWndActive", 0);
    host.Commands().excute(L"OpenQuote", L"600000");
    EXPECT_TRUE(Records().empty());

    // The ignored workspace change left the time of the last change where it was.
    MonitorTestAccess::m_bStopping(*monitor) = false;
    Workspace(L"默认工作区");
    EXPECT_EQ(Records(), (std::vector<Codes>{{0, 1, 101}}));
}

}  // namespace
