// Plug-in entry points and the monitor's lifecycle: registration, subscriptions, the sampling
// thread and its failures, offline objects, and messages that arrive while the monitor stops.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "platform/File.h"
#include "platform/Module.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileHolder.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

const wchar_t* const kMessages[] = {L"WorkspaceChanged",
                                    L"MenuCommand",
                                    L"ToolbarCommand",
                                    L"PopupMenuOpen",
                                    L"DialogShow",
                                    L"TabWndActive",
                                    L"MonitorServerInfo",
                                    L"TransInfoRecv",
                                    L"TransInfoSend",
                                    L"MoniterDownloadSpeedTest",
                                    L"MoniterHTMLSpeedTestTime",
                                    L"MoniterHTMLSpeedTestURL",
                                    L"MoniterServerProfileVersion"};

// Waits (bounded) until the sampling thread has ended on its own.
int WaitForThreadExit(CMonitorControl& monitor) {
    for (int i = 0; i < 500; ++i) {
        const int code = MonitorTestAccess::m_nThreadExitCode(monitor).load();
        if (code >= 0) return code;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

size_t CountFiles(const std::filesystem::path& dir) {
    if (!std::filesystem::exists(dir)) return 0;
    size_t n = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(dir); it != std::filesystem::end(it); ++it) ++n;
    return n;
}

struct TimerSeams {
    ~TimerSeams() {
        CWaitableTimer::SetCreateFailureForTesting(false);
        CWaitableTimer::SetArmFailureForTesting(false);
        CWaitableTimer::SetDueTimeScaleForTesting(1.0);
    }
};

}  // namespace

TEST(Lifecycle, EntryPointsAreExportedUndecorated) {
    const char* dir = std::getenv("MONITOR_BIN_DIR");
    ASSERT_NE(dir, nullptr);
    std::string error;
    void* plugin = LoadModule(CString(NarrowToWide(dir)) + L"/" + ModuleFileName(L"qzmonitor"), &error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_NE(GetModuleSymbol(plugin, "QZLibInitialize"), nullptr);
    EXPECT_NE(GetModuleSymbol(plugin, "QZLibDestroy"), nullptr);
    FreeModule(plugin);
}

TEST(Lifecycle, InitializeRegistersSubscribesAndDestroyUnregisters) {
    ScratchHost scratch;
    HostEnvironment host;
    QZLibInitialize();
    auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    ASSERT_NE(monitor, nullptr);
    for (const wchar_t* name : kMessages) EXPECT_EQ(host.Publisher().subscribers(name), 1u);
    EXPECT_TRUE(host.Commands().haspostexecutor(L"PostExecutorMonitor"));
    EXPECT_TRUE(MonitorTestAccess::m_pWorkerThread(*monitor) != nullptr);

    QZLibDestroy();
    EXPECT_EQ(CQZObjectManager::Get(L"CMonitorControl"), nullptr);
    // The handlers are gone with the object: a late message reaches nobody.
    for (const wchar_t* name : kMessages) EXPECT_EQ(host.Publisher().subscribers(name), 0u);
    EXPECT_FALSE(host.Commands().haspostexecutor(L"PostExecutorMonitor"));
    host.Publisher().publish(L"MenuCommand", boost::any(CString(L"\\\\late")));
}

TEST(Lifecycle, DestroyWithoutRegisteredObjectDoesNothing) {
    HostEnvironment host;
    ASSERT_EQ(CQZObjectManager::Get(L"CMonitorControl"), nullptr);
    QZLibDestroy();
    QZLibDestroy();
    EXPECT_EQ(CQZObjectManager::Get(L"CMonitorControl"), nullptr);
}

TEST(Lifecycle, OfflineObjectCreatesNothingAndStartsNoThread) {
    ScratchHost scratch;
    {
        CMonitorControl monitor(true);
        EXPECT_TRUE(MonitorTestAccess::m_pWorkerThread(monitor) == nullptr);
        EXPECT_EQ(MonitorTestAccess::m_pstrStatFile(monitor), nullptr);
    }
    EXPECT_EQ(CountFiles(scratch.Dir()), 0u);
}

// Leftovers of interrupted container transforms ("$") and of interrupted atomic writes
// ("*.tmp<pid>-<n>~") go; everything else stays.
TEST(Lifecycle, LeftoverContainerFilesAreRemovedAtConstruction) {
    ScratchHost scratch;
    std::filesystem::create_directories(scratch.DataDir());
    const char* leftovers[] = {"DATB4706$", "DATC$", "a$.tmp", "DATC.tmp4242-0~", "DATB4706.tmp17-3~"};
    const char* kept[] = {"DATA4706", "DATC", "SPEED", "notes~", "DATC.tmp"};
    for (const char* name : leftovers) std::ofstream(scratch.DataDir() / name) << "x";
    for (const char* name : kept) std::ofstream(scratch.DataDir() / name) << "x";
    { CMonitorControl monitor(true); }
    for (const char* name : leftovers) EXPECT_FALSE(std::filesystem::exists(scratch.DataDir() / name)) << name;
    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(scratch.DataDir() / name)) << name;
}

TEST(LifecycleChild, Role) {
    SKIP_UNLESS_CHILD_ROLE(role);
    PlaySupportRole(role);
    std::_Exit(3);
}

// A temporary file that a write in another process still holds is not removed under it, and the
// sweep ends there.
TEST(Lifecycle, SweepLeavesATemporaryFileThatAnotherProcessHolds) {
    ScratchHost scratch;
    std::filesystem::create_directories(scratch.DataDir());
    for (const char* name : {"DATB4706$", "DATC.tmp4242-0~"}) {
        SCOPED_TRACE(name);
        const std::filesystem::path held = scratch.DataDir() / name;
        {
            HeldByChild child("LifecycleChild.Role", CString(NarrowToWide(held.string())),
                              CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive, false, "partial");
            ASSERT_TRUE(child.Started());
            { CMonitorControl monitor(true); }
            EXPECT_TRUE(std::filesystem::exists(held));
            EXPECT_EQ(child.Release(), 0);
        }
        // Once the writer is gone, the leftover goes at the next start.
        { CMonitorControl monitor(true); }
        EXPECT_FALSE(std::filesystem::exists(held));
    }
}

// The log stays plain at shutdown also when this monitor never held it: another holder (another
// terminal on the same installation) kept it during the run and let it go before the shutdown.
TEST(Lifecycle, OperationLogThatTheMonitorDoesNotHoldIsNotScrambledAtShutdown) {
    ScratchHost scratch;
    HostEnvironment host;
    auto monitor = std::make_unique<CMonitorControl>(false);
    const CString log = *MonitorTestAccess::m_pstrOpLogFile(*monitor);
    {
        std::lock_guard<std::mutex> lock(MonitorTestAccess::m_mtxOpLog(*monitor));
        MonitorTestAccess::m_fileOpLog(*monitor).Abort();
        MonitorTestAccess::m_bOpLogOpen(*monitor) = false;
    }
    std::ofstream(WideToNarrow(log), std::ios::binary) << std::string(32, '\x05');
    monitor.reset();
    std::ifstream in(WideToNarrow(log), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string(32, '\x05'));
}

TEST(Lifecycle, FailedRemovalEndsTheSweepButNotTheConstructor) {
    ScratchHost scratch;
    // A non-empty directory whose name ends in '$' cannot be removed as a file.
    std::filesystem::create_directories(scratch.DataDir() / "stuck$");
    std::ofstream(scratch.DataDir() / "stuck$" / "inner") << "x";
    std::ofstream(scratch.DataDir() / "DATB1$") << "x";
    EXPECT_NO_THROW({ CMonitorControl monitor(true); });
    EXPECT_TRUE(std::filesystem::exists(scratch.DataDir() / "stuck$"));
}

TEST(Lifecycle, SamplingThreadFailuresLeaveAWorkingMonitor) {
    struct Case {
        const char* what;
        bool failCreate;
        bool failArm;
        int exitCode;
    };
    for (const Case& c :
         {Case{"timer cannot be created", true, false, 1}, Case{"timer cannot be armed", false, true, 2}}) {
        SCOPED_TRACE(c.what);
        TimerSeams seams;
        ScratchHost scratch;
        HostEnvironment host;
        CWaitableTimer::SetCreateFailureForTesting(c.failCreate);
        CWaitableTimer::SetArmFailureForTesting(c.failArm);
        QZLibInitialize();
        auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
        ASSERT_NE(monitor, nullptr);
        EXPECT_EQ(WaitForThreadExit(*monitor), c.exitCode);
        EXPECT_EQ(MonitorTestAccess::m_hTimer(*monitor).load(), nullptr);
        host.Publisher().publish(L"PopupMenuOpen", boost::any(0));
        QZLibDestroy();  // completes every step although the thread is gone
        EXPECT_EQ(CQZObjectManager::Get(L"CMonitorControl"), nullptr);
    }
}

// The sampling thread samples each time its timer fires (the POSIX timer here, the kernel's
// waitable timer on Windows), on the timer's schedule: neither never nor at once again and again.
TEST(Lifecycle, SamplingThreadSamplesOnItsTimer) {
    TimerSeams seams;
    CWaitableTimer::SetDueTimeScaleForTesting(0.002);  // the 10-second period becomes 20 ms
    ScratchHost scratch;
    HostEnvironment host;
    CMonitorControl monitor(false);
    monitor.InitializeControl();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    int samples = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(MonitorTestAccess::m_csLock(monitor));
        samples = MonitorTestAccess::m_nSampleCount(monitor);
    }
    EXPECT_GE(samples, 3);   // 20 in a quiet machine; a loaded one may lag
    EXPECT_LE(samples, 40);  // a timer that did not wait would have sampled thousands of times
    EXPECT_EQ(MonitorTestAccess::m_nThreadExitCode(monitor).load(), -1);  // still running
}

TEST(Lifecycle, DestructorStopsAWaitingThreadAtOnce) {
    ScratchHost scratch;
    HostEnvironment host;
    const auto start = std::chrono::steady_clock::now();
    {
        CMonitorControl monitor(false);
        monitor.InitializeControl();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(MonitorTestAccess::m_nThreadExitCode(monitor).load(), -1);  // still waiting
    }
    // Far less than the 10-second period: the thread was woken, not waited for.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Lifecycle, MessagesWhileStoppingAreIgnoredByTheHandlersThatTestTheFlag) {
    ScratchHost scratch;
    HostEnvironment host;
    CMonitorControl monitor(false);
    monitor.InitializeControl();
    MonitorTestAccess::m_bStopping(monitor) = true;
    // A payload of the wrong type would raise bad_any_cast in a handler that unpacks it; the
    // handlers that test the stopping flag return before they unpack.
    const boost::any wrong(3.5);
    for (const wchar_t* name : kMessages) {
        const std::wstring message(name);
        if (message == L"MonitorServerInfo" || message == L"MoniterServerProfileVersion") continue;
        EXPECT_NO_THROW(host.Publisher().publish(message, wrong)) << std::string(message.begin(), message.end());
    }
    EXPECT_NO_THROW(host.Commands().excute(L"Anything", L"x"));
    EXPECT_TRUE(MonitorTestAccess::m_vecSendInfo(monitor).empty());
    EXPECT_TRUE(MonitorTestAccess::m_vecRecvInfo(monitor).empty());
}
