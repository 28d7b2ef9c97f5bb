// The statistics side under concurrent threads: host threads publish traffic and log-ons while the
// sampling thread analyses every 10 ms and another thread merges the document statistics. Runs
// under ThreadSanitizer in CI; the counters must stay consistent with the traffic published.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "platform/Timer.h"
#include "tests/support/MonitorTestAccess.h"

using A = MonitorTestAccess;

TEST(StatsConcurrency, PublishersSamplerAndReportShareTheStatistics) {
    ScratchHost scratch;
    HostEnvironment host;
    CWaitableTimer::SetDueTimeScaleForTesting(0.001);  // a sample every 10 ms
    QZLibInitialize();
    auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    ASSERT_NE(monitor, nullptr);

    constexpr int kPublishers = 4;
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kPublishers; ++t) {
        threads.emplace_back([&, t] {
            MessagePublisher& publisher = host.Publisher();
            const std::int32_t type = 100 + t;
            for (std::int32_t serial = 1; !stop.load(); ++serial) {
                // Every reply comes 25 ms after its request; sizes 64 and 512.
                TRANS_INFO send{serial, type, (serial * 10) % 60000, 64, false};
                publisher.publish(L"TransInfoSend", boost::any(&send));
                publisher.publish(L"TransInfoRecv",
                                  boost::any(TRANS_INFO{serial, type, (serial * 10 + 25) % 60000, 512, false}));
                if (serial % 97 == 0) {
                    TRANS_INFO push{serial, 900 + t, 0, 8, true};
                    publisher.publish(L"TransInfoSend", boost::any(&push));
                    publisher.publish(L"TransInfoRecv", boost::any(TRANS_INFO{0, 900 + t, 0, 16, true}));
                }
                if (serial % 1000 == 0)
                    publisher.publish(L"MonitorServerInfo",
                                      boost::any(MONITOR_SERVER_INFO{L"quote.example", t % 2, L"9:30", t}));
            }
        });
    }
    std::atomic<int> reports{0}, failedReports{0};
    threads.emplace_back([&] {
        while (!stop.load()) {
            if (!monitor->GetFendrakeProcessInfo()) ++failedReports;
            ++reports;
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    });

    // Let the sampler analyse a few batches, and the report run at least once among them (its
    // thread starts last and may be scheduled late).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto analysedPairs = [&] {
        std::lock_guard<std::recursive_mutex> lock(A::m_csLock(*monitor));
        long pairs = 0;
        for (const auto& [type, stat] : A::m_mapNormalStat(*monitor)) pairs += stat.nSum;
        return pairs;
    };
    while ((analysedPairs() < 5000 || reports.load() == 0) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    for (auto& thread : threads) thread.join();
    EXPECT_GE(analysedPairs(), 5000);
    EXPECT_GT(reports.load(), 0);
    EXPECT_EQ(failedReports.load(), 0);

    {
        // Every pair found was a request with its own reply.
        std::lock_guard<std::recursive_mutex> lock(A::m_csLock(*monitor));
        for (const auto& [type, stat] : A::m_mapNormalStat(*monitor)) {
            SCOPED_TRACE(type);
            EXPECT_GE(type, 100);
            EXPECT_LT(type, 100 + kPublishers);
            EXPECT_EQ(stat.nTime, 25 * stat.nSum);
            EXPECT_EQ(stat.nSendSize, 64 * stat.nSum);
            EXPECT_EQ(stat.nRecvSize, 512 * stat.nSum);
            EXPECT_EQ(stat.nSumNone, 0);
        }
        for (const auto& [type, stat] : A::m_mapPushStat(*monitor)) {
            EXPECT_EQ(stat.nSendSize % 8, 0);
            EXPECT_EQ(stat.nRecvSizeNone, 16 * stat.nSumNone);
        }
    }
    QZLibDestroy();
    CWaitableTimer::SetDueTimeScaleForTesting(1.0);
}
