// Traffic statistics through the host: request/reply traffic published from two host threads, cut
// into batches, analysed by the sampling thread and written into the statistics document.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/HostEnvironment.h"
#include "host/Markup.h"
#include "host/ObjectManager.h"
#include "platform/File.h"
#include "platform/Profile.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "store/Container.h"
#include "tests/support/MonitorTestAccess.h"

using A = MonitorTestAccess;

namespace {

// Publishes a request and its reply 25 ms later.
void RequestReply(MessagePublisher& publisher, std::int32_t type, std::int32_t serial) {
    TRANS_INFO send{serial, type, (serial * 100) % 60000, 64, false};
    publisher.publish(L"TransInfoSend", boost::any(&send));
    publisher.publish(L"TransInfoRecv", boost::any(TRANS_INFO{serial, type, (serial * 100 + 25) % 60000, 512, false}));
}

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The text of the element at `path` (names separated by '/') below "ROOT", the last of each name.
CString Text(CMarkup& markup, const std::vector<const wchar_t*>& path) {
    markup.ResetPos();
    if (!markup.FindElem(L"ROOT")) return L"<no ROOT>";
    for (const wchar_t* name : path) {
        markup.IntoElem();
        bool found = false;
        while (markup.FindElem(name)) found = true;
        if (!found) return CString(L"<no ") + name + L">";
    }
    return markup.GetData();
}

TEST(StatsHost, PublishedTrafficReachesTheStatisticsDocument) {
    ScratchHost scratch;
    HostEnvironment host;
    CWaitableTimer::SetDueTimeScaleForTesting(0.001);  // a sample every 10 ms
    QZLibInitialize();
    auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    ASSERT_NE(monitor, nullptr);
    ASSERT_NE(A::m_pstrStatFile(*monitor), nullptr);
    MessagePublisher& publisher = host.Publisher();
    publisher.publish(L"MonitorServerInfo", boost::any(MONITOR_SERVER_INFO{L"quote.example", FALSE, L"9:30", 0}));

    // 399 request/reply pairs on each of two threads: 798 sends, no batch yet.
    std::vector<std::thread> threads;
    for (std::int32_t type : {11, 12})
        threads.emplace_back([&publisher, type] {
            for (std::int32_t serial = 1; serial <= 399; ++serial) RequestReply(publisher, type, serial);
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(A::m_bSendBatchReady(*monitor).load(), 0);

    // The 800th send cuts the send batch; the next receive cuts the receive batch with itself.
    TRANS_INFO send11{400, 11, 40000, 64, false};
    TRANS_INFO send12{400, 12, 40000, 64, false};
    publisher.publish(L"TransInfoSend", boost::any(&send11));
    publisher.publish(L"TransInfoSend", boost::any(&send12));
    EXPECT_EQ(A::m_bSendBatchReady(*monitor).load(), 1);
    publisher.publish(L"TransInfoRecv", boost::any(TRANS_INFO{400, 11, 40025, 512, false}));
    publisher.publish(L"TransInfoRecv", boost::any(TRANS_INFO{400, 12, 40025, 512, false}));  // stays buffered

    // The sampling thread analyses both batches.
    ASSERT_TRUE(WaitFor([&] { return A::m_bSendBatchReady(*monitor).load() == 0; }));
    EXPECT_TRUE(monitor->GetFendrakeProcessInfo());

    // Read a copy of the statistics file, unscrambled.
    const CString statFile = *A::m_pstrStatFile(*monitor);
    const std::filesystem::path copy = scratch.Dir() / "stat-copy.xml";
    std::filesystem::copy_file(NativePath(statFile), copy);
    ASSERT_TRUE(UnscrambleFile(copy.string().c_str()));
    CMarkup markup;
    ASSERT_TRUE(markup.Load(NarrowToWide(copy.string())));
    EXPECT_EQ(Text(markup, {L"LogOn", L"ServerName"}), L"quote.example");
    EXPECT_EQ(Text(markup, {L"StatisticsTime"}).IsEmpty(), false);
    const std::vector<std::pair<const wchar_t*, const wchar_t*>> expected = {
        {L"Sum", L"400"}, {L"Time", L"10000"}, {L"SendSize", L"25600"}, {L"RecvSize", L"204800"}, {L"SumNone", L"0"}};
    for (const auto& [counter, value] : expected) {
        SCOPED_TRACE(counter);
        EXPECT_EQ(Text(markup, {L"LogOn", L"TransInfo", L"Normal", L"Req11", counter}), value);
    }
    EXPECT_EQ(Text(markup, {L"LogOn", L"TransInfo", L"Normal", L"Req12", L"Sum"}), L"399");
    EXPECT_EQ(Text(markup, {L"LogOn", L"TransInfo", L"Normal", L"Req12", L"Description"}), L"Req12");

    // At shutdown the file is rebuilt in profile form with the sampler's values.
    publisher.publish(L"MonitorServerInfo", boost::any(MONITOR_SERVER_INFO{L"trade.example", TRUE, L"9:45", 2}));
    QZLibDestroy();
    CWaitableTimer::SetDueTimeScaleForTesting(1.0);
    ASSERT_TRUE(UnscrambleFile(NativePath(statFile).c_str()));
    EXPECT_GT(GetPrivateProfileInt(L"ROOT", L"StatisticsTime", 0, statFile), 0);
    EXPECT_GT(GetPrivateProfileString(L"ROOT", L"ProcessMemoryPeakSize", L"", statFile).GetLength(), 0);
    EXPECT_EQ(GetPrivateProfileString(L"LogOn1", L"ServerName", L"", statFile), L"trade.example");
    EXPECT_EQ(GetPrivateProfileString(L"LogOn1", L"IsProxy", L"", statFile), L"true");
}

}  // namespace
