// The monitor under load from every direction at once: four host threads publish a mix of all
// thirteen messages and execute commands, the sampler runs every few milliseconds, another thread
// asks for the process statistics report, and at the end the monitor is destroyed while the host
// threads are still publishing. Runs under ThreadSanitizer in CI.
//
// MONITOR_STRESS_ROUNDS sets the rounds per host thread (default 20000, some 250 000 messages in
// all); scripts/test.sh lowers it to 4000 under ThreadSanitizer to keep the run short.
#include <gtest/gtest.h>

#include <boost/tuple/tuple.hpp>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/Markup.h"
#include "host/ObjectManager.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

constexpr int kThreads = 4;
constexpr std::int32_t kFillerSend = 9999;  // request types that never pair
constexpr std::int32_t kFillerRecv = 9998;

int Rounds() {
    const char* text = std::getenv("MONITOR_STRESS_ROUNDS");
    const int rounds = text ? std::atoi(text) : 0;
    return rounds > 0 ? rounds : 20000;
}

void WriteHostFiles(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir / "Config");
    CMarkup config;
    config.AddElem(L"MonitorConfig");
    config.IntoElem();
    config.AddElem(L"OperationMapping");
    config.IntoElem();
    const std::pair<const wchar_t*, int> kinds[] = {
        {L"WorkspaceChanged", 0}, {L"MenuCommand", 1},   {L"ToolbarCommand", 2}, {L"DialogShow", 3},
        {L"TabWndActive", 4},     {L"PopupMenuOpen", 5}, {L"PostExecute", 7}};
    for (const auto& [name, type] : kinds) {
        config.AddElem(name);
        config.IntoElem();
        config.AddElem(L"type", std::to_wstring(type).c_str());
        config.AddElem(L"value1");
        if (type == 1) config.AddChildElem(L"||系统|连接", L"1");
        if (type == 0) config.AddChildElem(L"Quotes", L"1");
        config.AddElem(L"value2", L"0");
        config.OutOfElem();
    }
    config.OutOfElem();
    config.AddElem(L"RequestMapping");
    config.AddChildElem(L"Req2001", L"quote");
    ASSERT_TRUE(config.Save(NarrowToWide((dir / "Config" / "MonitorConfig.xml").string())));
    // A local speed-test profile newer than any version the host reports: no download is tried.
    std::filesystem::create_directories(dir / "config");
    std::ofstream(dir / "config" / "ServerSpeedTest.ini") << "[NSCore_Configuration]\nVersion=1000\n";
}

// Request types: thread t uses kNormalBase + 10 t + (0..6) for its request/reply pairs and
// kPushBase + 10 t + (0..2) for its push traffic, so the statistics show what each thread got.
constexpr std::int32_t kNormalBase = 2000;
constexpr std::int32_t kPushBase = 3000;
// The single-publisher stretch uses types of its own.
constexpr std::int32_t kSerialBase = 2100;
constexpr std::int32_t kResponseTime = 25;
constexpr std::int32_t kSendSize = 40;
constexpr std::int32_t kRecvSize = 900;

// What one host thread published.
struct Published {
    long pairs = 0;         // request/reply pairs with a non-negative request type, not push
    long sends = 0;         // send records the capture accepts (non-negative type)
    long pushRecvs = 0;     // push receives (each must be counted)
    long pushSendSize = 0;  // summed sizes of push sends
    long messages = 0;
    std::map<std::int32_t, long> uiEvents;  // user-interface events by operation kind
};

// One round of the mix: a request/reply pair (now and then push traffic or a negative request
// type), one user-interface event and, in turn, the remaining host messages. A fifth of the pairs
// carry serial 0, which pairs in capture order within the request type.
void PublishRound(HostEnvironment& host, int thread, int round, Published& out, std::int32_t normalBase = kNormalBase) {
    MessagePublisher& bus = host.Publisher();
    const int serial = thread * 10000000 + round + 1;
    const std::int32_t type = normalBase + 10 * thread + round % 7;
    const int stamp = (round * 37) % 60000;
    switch (round % 16) {
        case 0: {  // push traffic: counted, never paired
            const std::int32_t pushType = kPushBase + 10 * thread + round % 3;
            TRANS_INFO send{serial, pushType, stamp, 16, true};
            TRANS_INFO recv{round % 2 ? serial : 0, pushType, stamp, 100, true};
            bus.publish(L"TransInfoSend", boost::any(&send));
            bus.publish(L"TransInfoRecv", boost::any(recv));
            ++out.pushRecvs;
            ++out.sends;
            out.pushSendSize += 16;
            break;
        }
        case 1: {  // a negative request type is dropped at capture
            TRANS_INFO send{serial, -1, stamp, 16, false};
            TRANS_INFO recv{serial, -1, stamp + 5, 100, false};
            bus.publish(L"TransInfoSend", boost::any(&send));
            bus.publish(L"TransInfoRecv", boost::any(recv));
            break;
        }
        default: {
            TRANS_INFO send{round % 5 ? serial : 0, type, stamp, kSendSize, false};
            TRANS_INFO recv{send.nSerial, type, (stamp + kResponseTime) % 60000, kRecvSize, false};
            bus.publish(L"TransInfoSend", boost::any(&send));
            bus.publish(L"TransInfoRecv", boost::any(recv));
            ++out.pairs;
            ++out.sends;
        }
    }
    out.messages += 2;
    std::int32_t kind = 7;
    switch (round % 7) {
        case 0:
            bus.publish(L"WorkspaceChanged", boost::any(boost::make_tuple(CString(L"Quotes"), CString())));
            kind = 0;
            break;
        case 1:
            bus.publish(L"MenuCommand", boost::any(CString(L"\\\\系统\\连接")));
            kind = 1;
            break;
        case 2:
            bus.publish(L"ToolbarCommand", boost::any(CString(L"\\\\K线")));
            kind = 2;
            break;
        case 3:
            bus.publish(L"PopupMenuOpen", boost::any(0));
            kind = 5;
            break;
        case 4: {
            HWND window = host.CreateDialogWindow(L"Settings");
            bus.publish(L"DialogShow", boost::any(window));
            host.DestroyDialogWindow(window);
            kind = 3;
            break;
        }
        case 5:
            bus.publish(L"TabWndActive", boost::any(0));
            kind = 4;
            break;
        default:
            host.Commands().excute(L"OpenQuote", L"600000");
    }
    ++out.uiEvents[kind];
    ++out.messages;
    switch (round % 50) {
        case 10: {
            MONITOR_SERVER_INFO info{L"quote.example", FALSE, L"09:30:00", 1};
            bus.publish(L"MonitorServerInfo", boost::any(info));
            break;
        }
        case 20:
            bus.publish(L"MoniterDownloadSpeedTest", boost::any(1200));
            break;
        case 30:
            bus.publish(L"MoniterHTMLSpeedTestURL", boost::any(CString(L"http://www.example.com/")));
            break;
        case 40:
            bus.publish(L"MoniterHTMLSpeedTestTime", boost::any(350));
            break;
        case 49:
            bus.publish(L"MoniterServerProfileVersion", boost::any(5));
            break;
        default:
            return;
    }
    ++out.messages;
}

long Events(const Published& published) {
    long events = 0;
    for (const auto& [kind, count] : published.uiEvents) events += count;
    return events;
}

// The operation log's records by operation kind.
std::map<std::int32_t, long> RecordsByKind(const std::filesystem::path& dataDir) {
    std::map<std::int32_t, long> kinds;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("DATA", 0) != 0 || name.find('.') != std::string::npos) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        OperationRecord record{};
        while (file.read(reinterpret_cast<char*>(&record), sizeof(record))) ++kinds[record.nType];
    }
    return kinds;
}

void WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(done()) << "the sampler did not analyse the waiting batches";
}

// Cuts and analyses everything still buffered, by publishing request types that never pair: 800
// sends cut the send batch, one receive cuts the receive batch, and the sampler analyses both.
void DrainCapture(HostEnvironment& host, CMonitorControl& monitor) {
    auto& sendReady = MonitorTestAccess::m_bSendBatchReady(monitor);
    auto& recvReady = MonitorTestAccess::m_bRecvBatchReady(monitor);
    for (int step = 0; step < 100; ++step) {
        WaitUntil([&] { return !(sendReady == 1 && recvReady == 1); });
        if (sendReady == 0) {
            if (MonitorTestAccess::m_vecSendInfo(monitor).empty() && MonitorTestAccess::m_vecRecvInfo(monitor).empty())
                return;
            for (int i = 0; i < 800 && sendReady == 0; ++i) {
                TRANS_INFO filler{0, kFillerSend, 0, 0, false};
                host.Publisher().publish(L"TransInfoSend", boost::any(&filler));
            }
        }
        if (sendReady == 1 && recvReady == 0)
            host.Publisher().publish(L"TransInfoRecv", boost::any(TRANS_INFO{0, kFillerRecv, 0, 0, false}));
    }
    FAIL() << "the capture buffers did not drain";
}

// Counted request/reply pairs of the types [base, base + span), with a check that every pair with a
// serial was paired with its own reply (response time and sizes are the same for every pair).
long CountedPairs(CMonitorControl& monitor, std::int32_t base, std::int32_t span) {
    long pairs = 0;
    std::lock_guard<std::recursive_mutex> lock(MonitorTestAccess::m_csLock(monitor));
    for (const auto& [type, stat] : MonitorTestAccess::m_mapNormalStat(monitor)) {
        if (type < base || type >= base + span) continue;
        pairs += stat.nSum + stat.nSumNone;
        EXPECT_EQ(stat.nTime, kResponseTime * stat.nSum) << "type " << type;
        EXPECT_EQ(stat.nSendSize, kSendSize * stat.nSum) << "type " << type;
        EXPECT_EQ(stat.nRecvSize, kRecvSize * stat.nSum) << "type " << type;
        EXPECT_EQ(stat.nSendSizeNone, kSendSize * stat.nSumNone) << "type " << type;
        EXPECT_EQ(stat.nRecvSizeNone, kRecvSize * stat.nSumNone) << "type " << type;
    }
    return pairs;
}

// Calls the monitor's GetFendrakeProcessInfo every few milliseconds for the life of the object.
class Reporter {
public:
    explicit Reporter(CMonitorControl& monitor)
        : m_thread([this, &monitor] {
              while (m_running) {
                  monitor.GetFendrakeProcessInfo();
                  std::this_thread::sleep_for(std::chrono::milliseconds(3));
              }
          }) {}
    ~Reporter() {
        m_running = false;
        m_thread.join();
    }

private:
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

}  // namespace

TEST(StressConcurrency, MixedTrafficSamplerReportsAndDestructionUnderLoad) {
    const int rounds = Rounds();
    ScratchHost scratch;
    WriteHostFiles(scratch.Dir());
    HostEnvironment host;
    tagQuoteTabInfo tab;
    tab.strText = L"沪深A股";
    host.Context().setcontext(std::wstring(L"CONTEXT_CURRENTQUOTETAB"), boost::any(tab));
    CWaitableTimer::SetDueTimeScaleForTesting(0.0005);  // a sample every 5 ms
    QZLibInitialize();
    auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    ASSERT_NE(monitor, nullptr);

    // Phase 1: every thread publishes its rounds while the sampler runs and reports are written.
    std::vector<Published> published(kThreads);
    {
        Reporter reporter(*monitor);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int round = 0; round < rounds; ++round) PublishRound(host, t, round, published[t]);
            });
        for (auto& thread : threads) thread.join();
    }

    Published total;
    std::map<std::int32_t, long> events;
    for (const auto& p : published) {
        total.pairs += p.pairs;
        total.sends += p.sends;
        total.pushRecvs += p.pushRecvs;
        total.pushSendSize += p.pushSendSize;
        total.messages += p.messages;
        for (const auto& [kind, count] : p.uiEvents) events[kind] += count;
    }
    EXPECT_GE(total.messages, 12L * rounds);

    // Every accepted user-interface event is one record of its kind, written before its handler
    // returned. The monitor holds its operation log open without sharing: POSIX lets this test read
    // the file all the same, Windows refuses every other open until the monitor closes it, so
    // there the records are counted after destruction only (below).
#ifndef _WIN32
    EXPECT_EQ(RecordsByKind(scratch.DataDir()), events);
#endif

    DrainCapture(host, *monitor);
    long pushRecvs = 0, pushSendSize = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(MonitorTestAccess::m_csLock(*monitor));
        for (const auto& [type, stat] : MonitorTestAccess::m_mapNormalStat(*monitor))
            EXPECT_TRUE(type >= kNormalBase && type < kNormalBase + 10 * kThreads) << "type " << type;
        for (const auto& [type, stat] : MonitorTestAccess::m_mapPushStat(*monitor)) {
            EXPECT_TRUE(type >= kPushBase && type < kPushBase + 10 * kThreads) << "type " << type;
            pushRecvs += stat.nSum + stat.nSumNone;
            pushSendSize += stat.nSendSize + stat.nSendSizeNone;
        }
    }
    // Push traffic is never paired, so every accepted push record is counted.
    EXPECT_EQ(pushRecvs, total.pushRecvs);
    EXPECT_EQ(pushSendSize, total.pushSendSize);

    // A pair is counted when its request and its reply land in the same analysis; the rules drop
    // a pair whose request and reply fall on the two sides of a batch cut. The send batch is cut
    // at the 800th buffered send and the receive batch at the first receive after that, so each
    // cut can split only a pair whose request was published and whose reply was not yet: at most
    // one pair per thread, as every thread publishes a reply right after its request. Where the
    // cuts fall depends on how the threads interleave, so the figure is exact only within that.
    const long cuts = total.sends / 800;
    for (int t = 0; t < kThreads; ++t) {
        const long counted = CountedPairs(*monitor, kNormalBase + 10 * t, 10);
        EXPECT_LE(counted, published[t].pairs) << "thread " << t;
        EXPECT_GE(counted, published[t].pairs - cuts)
            << "thread " << t << " published " << published[t].pairs << " pairs over at most " << cuts << " cuts";
    }

    // Phase 2: one thread publishes alone, still with the sampler and the reports running. Every
    // reply directly follows its request, so no cut can split a pair: all of them are counted.
    Published alone;
    {
        Reporter reporter(*monitor);
        for (int round = 0; round < 3000; ++round) PublishRound(host, 0, round, alone, kSerialBase);
    }
    DrainCapture(host, *monitor);
    EXPECT_EQ(CountedPairs(*monitor, kSerialBase, 10), alone.pairs);

    // Phase 3: the host threads publish again, and the monitor is destroyed meanwhile. Batches
    // still pending are analysed by the destructor after the last report was written, so their
    // pairs are not in any statistics a test can read; what matters here is a clean shutdown.
    std::vector<Published> late(kThreads);
    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    std::atomic<long> lateRounds{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ++started;
            for (int round = 0; !stop; ++round) {
                PublishRound(host, t, round, late[t]);
                ++lateRounds;
            }
        });
    // Destroy once every thread publishes and some hundreds of rounds are in, mid-batch.
    while (started < kThreads || lateRounds < 100L * kThreads) std::this_thread::yield();
    QZLibDestroy();
    const auto destroyed = RecordsByKind(scratch.DataDir());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    for (auto& thread : threads) thread.join();
    CWaitableTimer::SetDueTimeScaleForTesting(1.0);

    // Events published before destruction began are recorded; none is recorded after it.
    long before = Events(alone), lateEvents = 0, records = 0;
    for (const auto& [kind, count] : events) before += count;
    for (const auto& p : late) lateEvents += Events(p);
    for (const auto& [kind, count] : destroyed) records += count;
    EXPECT_GT(records, before);
    EXPECT_LE(records, before + lateEvents);
    EXPECT_EQ(RecordsByKind(scratch.DataDir()), destroyed);
}
