// The hand-over between the speed-test refresh (on a host thread) and the sampler (on its own
// thread): the sampler reports the server list once, and only whole.
#include <gtest/gtest.h>

#include <atomic>
#include <boost/any.hpp>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "host/HostEnvironment.h"
#include "platform/TextConv.h"
#include "speedtest/SpeedTestSettings.h"
#include "tests/support/FileBytes.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

using A = MonitorTestAccess;

TEST(SpeedTestConcurrency, TheSamplerNeverReportsAPartialServerList) {
    ScratchHost host;
    HostEnvironment env;
    LoopbackHttpServer server;
    SpeedTestSettings settings;
    settings.fetchTimeoutMs = 2000;
    SetSpeedTestSettingsForTesting(settings);
    WriteAll(host.Dir() / "config" / "SpeedTestServer.ini",
             "[ConfigServer]\nAddress=" + WideToNarrow(server.BaseUrl()) + "\n");

    constexpr int kServers = 8;
    std::string body =
        "[NSCore_Configuration]\nVersion=5\n[Ping_ServerList]\nServerNumber=" + std::to_string(kServers) + "\n";
    for (int i = 0; i < kServers; ++i)
        body += "Server" + std::string(1, static_cast<char>('1' + i)) + "=127.0.0.1:" + std::to_string(server.Port()) +
                "\n";
    server.SetBody(body);

    CMonitorControl monitor(true);
    monitor.InitializeControl();

    std::atomic<bool> refreshed{false};
    std::thread refresh([&] {
        env.Publisher().publish(L"MoniterServerProfileVersion", boost::any(5));
        refreshed = true;
    });
    std::thread pages([&] {
        for (int i = 0; i < 50; ++i) {
            env.Publisher().publish(L"MoniterHTMLSpeedTestURL", boost::any(CString(L"http://quote.example/")));
            env.Publisher().publish(L"MoniterHTMLSpeedTestTime", boost::any(i));
            env.Publisher().publish(L"MoniterDownloadSpeedTest", boost::any(i));
        }
    });
    // Sample until the refresh has ended and one more sample has run after it.
    for (bool last = false; !last;) {
        last = refreshed;
        monitor.CollectProcessInfo();
    }
    refresh.join();
    pages.join();
    monitor.CollectProcessInfo();

    int pings = 0;
    for (const auto& report : env.DataManager().SpeedReports())
        if (report.size() == 4 && report[1] == L"ServerPingTest") ++pings;
    EXPECT_EQ(pings, kServers);
    SetSpeedTestSettingsForTesting(SpeedTestSettings());
}

// A host whose data manager hands each speed report to another thread and waits for it there,
// while that thread uses the monitor: the sample that sends the report holds none of the
// monitor's locks, so the other thread gets through.
TEST(SpeedTestConcurrency, TheSamplerHoldsNoLockWhileTheDataManagerHasAReport) {
    ScratchHost host;
    HostEnvironment env;
    CMonitorControl monitor(true);
    A::m_bTestSpeed(monitor) = true;
    A::m_vecPingServer(monitor) = {ServerPingEntry{L"127.0.0.1", 12}};

    std::atomic<int> reports{0};
    std::atomic<int> gotThrough{0};
    std::future<void> other;  // waited for here, not in the listener, so a failure ends the test
    env.DataManager().SetReportListener([&](const std::vector<CString>&) {
        ++reports;
        other = std::async(std::launch::async, [&] {
            monitor.GetFendrakeProcessInfo();  // takes the statistics lock
            monitor.WriteProcessInfo();
        });
        if (other.wait_for(std::chrono::seconds(5)) == std::future_status::ready) ++gotThrough;
    });
    monitor.CollectProcessInfo();
    env.DataManager().SetReportListener(nullptr);
    if (other.valid()) other.get();
    EXPECT_EQ(reports.load(), 1);
    EXPECT_EQ(gotThrough.load(), 1);
}

}  // namespace
