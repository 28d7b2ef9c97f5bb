// The monitor under concurrent host threads: messages published from several threads while the
// sampler runs with a short period, and the monitor destroyed while traffic is still published.
// Runs under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "platform/Module.h"
#include "platform/Timer.h"
#include "shell/HandlerGate.h"
#include "tests/support/MonitorConfigWriter.h"
#include "tests/support/MonitorTestAccess.h"
#include "tests/support/OpLogTestUtil.h"

TEST(LifecycleConcurrency, DestroyWhileHostThreadsPublish) {
    ScratchHost scratch;
    HostEnvironment host;
    CWaitableTimer::SetDueTimeScaleForTesting(0.001);  // a sample every 10 ms
    QZLibInitialize();

    std::atomic<bool> stop{false};
    std::atomic<long> published{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            int serial = 0;
            while (!stop.load()) {
                TRANS_INFO send{++serial, 2000 + t, serial * 10 % 60000, 64, false};
                TRANS_INFO recv{serial, 2000 + t, (serial * 10 + 25) % 60000, 512, false};
                host.Publisher().publish(L"TransInfoSend", boost::any(&send));
                host.Publisher().publish(L"TransInfoRecv", boost::any(recv));
                host.Publisher().publish(L"MenuCommand", boost::any(CString(L"\\\\系统\\退出")));
                host.Publisher().publish(L"PopupMenuOpen", boost::any(0));
                host.Commands().excute(L"OpenQuote", L"600000");
                published += 5;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QZLibDestroy();  // traffic is still being published
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    for (auto& thread : threads) thread.join();
    CWaitableTimer::SetDueTimeScaleForTesting(1.0);
    EXPECT_GT(published.load(), 0);
    EXPECT_EQ(CQZObjectManager::Get(L"CMonitorControl"), nullptr);
}

// A handler that passed its m_bStopping check just before QZLibDestroy is still running while the
// destructor proceeds. It must finish against a monitor whose operation log is still open (its
// record is kept), never against the freed path or the closed log.
TEST(LifecycleConcurrency, AHandlerInFlightWhenDestructionStartsFinishesBeforeTheTeardown) {
    ScratchHost scratch;
    ASSERT_TRUE(WriteMonitorConfig(scratch.Dir(), {{L"DialogShow", 5, {{L"行情报价", 3}}, {}}}));
    HostEnvironment host;
    QZLibInitialize();
    auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    ASSERT_NE(monitor, nullptr);
    const auto gate = MonitorTestAccess::m_pGate(*monitor);  // outlives the monitor

    // The dialog handler is held inside the host's window-title query, after its m_bStopping check.
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    SetWindowTitleHook([&](HWND, std::wstring& title) {
        entered.set_value();
        released.wait();
        title = L"行情报价";
        return true;
    });
    const HWND dialog = host.CreateDialogWindow(L"行情报价");
    std::thread handler([&] { host.Publisher().publish(L"DialogShow", boost::any(dialog)); });
    entered.get_future().wait();

    std::thread destroyer([] { QZLibDestroy(); });
    // Let the handler go once the destructor has shut the gate and is waiting or tearing down.
    while (gate->open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    release.set_value();
    handler.join();
    destroyer.join();
    SetWindowTitleHook(nullptr);

    std::vector<OperationRecord> records;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.DataDir())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("DATA", 0) == 0 && name.find('.') == std::string::npos) {
            const auto more = ReadRecords(entry.path());
            records.insert(records.end(), more.begin(), more.end());
        }
    }
    ASSERT_EQ(records.size(), 1u) << "the record of the handler that was already running";
    EXPECT_EQ(records[0].nType, 5);
    EXPECT_EQ(records[0].nValue1, 3);
}
