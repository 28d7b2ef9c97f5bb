// Plug-in entry points and the monitor's lifecycle.
#include <gtest/gtest.h>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "tests/support/MonitorTestAccess.h"

TEST(Lifecycle, InitializeRegistersAndSubscribes) {
    ScratchHost scratch;
    HostEnvironment host;
    QZLibInitialize();
    EXPECT_NE(CQZObjectManager::Get(L"CMonitorControl"), nullptr);
    for (const wchar_t* name :
         {L"WorkspaceChanged", L"MenuCommand", L"ToolbarCommand", L"PopupMenuOpen", L"DialogShow", L"TabWndActive",
          L"MonitorServerInfo", L"TransInfoRecv", L"TransInfoSend", L"MoniterDownloadSpeedTest",
          L"MoniterHTMLSpeedTestTime", L"MoniterHTMLSpeedTestURL", L"MoniterServerProfileVersion"})
        EXPECT_EQ(host.Publisher().subscribers(name), 1u);
    EXPECT_TRUE(host.Commands().haspostexecutor(L"PostExecutorMonitor"));
    QZLibDestroy();
    EXPECT_EQ(CQZObjectManager::Get(L"CMonitorControl"), nullptr);
}
