// The monitor under concurrent host threads: messages published from several threads while the
// sampler runs with a short period, and the monitor destroyed while traffic is still published.
// Runs under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "platform/Timer.h"
#include "tests/support/MonitorTestAccess.h"

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
