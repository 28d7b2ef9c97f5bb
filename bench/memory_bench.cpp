// The monitor's memory under an hour of heavy traffic. A simulated hour is 360 sampling periods
// of 10 simulated seconds; each period 12 000 messages (600 requests and 600 replies a second,
// over 40 request types, a tenth of them push traffic) go through the capture, then the sampler,
// running with a short real period, takes its sample and analyses the batches. The resident
// memory of the process after the hour must stay within 2 MB of its level after the first
// simulated minute.
//
// Run: ninja -C build bench/memory_bench && build/bench/memory_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "shell/MonitorControl.h"

// The monitor's friend for private access; this program links no test support, so the name is
// free here.
struct MonitorTestAccess {
    static std::int32_t SampleCount(CMonitorControl& m) {
        std::lock_guard<std::recursive_mutex> lock(m.m_csLock);
        return m.m_nSampleCount;
    }
};

namespace {

constexpr int kMessagesPerSecond = 1200;
constexpr int kSecondsPerSample = 10;
constexpr int kSamplesPerMinute = 60 / kSecondsPerSample;
constexpr int kSamplesPerHour = 3600 / kSecondsPerSample;

// Resident memory of this process in kilobytes ("VmRSS" of /proc/self/status).
long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

void PublishPeriod(MessagePublisher& bus, int period, std::uint32_t& seed) {
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    const int pairs = kMessagesPerSecond * kSecondsPerSample / 2;
    for (int i = 0; i < pairs; ++i) {
        const int ms = (period * kSecondsPerSample * 1000 + i * 1000 * kSecondsPerSample / pairs) % 60000;
        TRANS_INFO send{};
        send.nSerial = period * pairs + i + 1;
        send.nReqType = 2000 + static_cast<int>(next() % 40);
        send.nTimeStamp = ms;
        send.nSize = 48 + static_cast<int>(next() % 200);
        send.bPush = i % 10 == 9;
        TRANS_INFO reply = send;
        reply.nTimeStamp = (ms + 20 + static_cast<int>(next() % 300)) % 60000;
        reply.nSize = 256 + static_cast<int>(next() % 8000);
        bus.publish(L"TransInfoSend", boost::any(&send));
        bus.publish(L"TransInfoRecv", boost::any(reply));
    }
}

// Waits until the sampler has taken `count` samples; false after 10 seconds without one.
bool WaitForSample(CMonitorControl& monitor, std::int32_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (MonitorTestAccess::SampleCount(monitor) < count)
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    return true;
}

void BM_MemoryOverAnHourOfTraffic(benchmark::State& state) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("memory_bench_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    SetExecutableDirOverride(NarrowToWide(dir.string()));
    for (auto _ : state) {
        HostEnvironment host;
        CWaitableTimer::SetDueTimeScaleForTesting(0.0002);  // a sample every 2 ms of real time
        QZLibInitialize();
        auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
        std::uint32_t seed = 2024;
        const std::int32_t first = MonitorTestAccess::SampleCount(*monitor);
        long afterMinute = 0;
        for (int period = 0; period < kSamplesPerHour; ++period) {
            PublishPeriod(host.Publisher(), period, seed);
            if (!WaitForSample(*monitor, first + period + 1)) {
                state.SkipWithError("the sampler took no sample");
                break;
            }
            if (period + 1 == kSamplesPerMinute) afterMinute = ResidentKilobytes();
        }
        const long afterHour = ResidentKilobytes();
        QZLibDestroy();
        CWaitableTimer::SetDueTimeScaleForTesting(1.0);
        state.counters["rss_minute_kB"] = static_cast<double>(afterMinute);
        state.counters["rss_hour_kB"] = static_cast<double>(afterHour);
        state.counters["growth_kB"] = static_cast<double>(afterHour - afterMinute);
        state.counters["messages"] = static_cast<double>(kSamplesPerHour) * kMessagesPerSecond * kSecondsPerSample;
        if (afterHour - afterMinute > 2048) state.SkipWithError("resident memory grew by more than 2 MB");
    }
    SetExecutableDirOverride(CString());
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_MemoryOverAnHourOfTraffic)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
