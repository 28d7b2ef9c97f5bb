// Cost of analysing one batch of traffic, against sorting the same records by (type, serial).
//
// A batch of N records: 50 request types, 90% request/reply (a send and its reply with the same
// serial, replies arriving slightly out of order), 10% push. Both benchmarks start each iteration
// from a fresh copy of the records.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/System.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"

using A = MonitorTestAccess;

namespace {

struct Traffic {
    std::vector<TRANS_INFO> sends;
    std::vector<TRANS_INFO> recvs;
};

Traffic MakeTraffic(size_t records) {
    std::mt19937 random(static_cast<std::uint32_t>(records));
    std::uniform_int_distribution<int> type(1000, 1049);
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<std::int32_t> serials(50, 0);
    Traffic traffic;
    std::int32_t stamp = 0;
    while (traffic.sends.size() + traffic.recvs.size() < records) {
        const std::int32_t t = type(random);
        stamp = (stamp + 7) % 60000;
        if (percent(random) < 10) {
            TRANS_INFO push{percent(random) < 50 ? 0 : t, t, stamp, 128, true};
            (percent(random) < 50 ? traffic.sends : traffic.recvs).push_back(push);
        } else {
            const std::int32_t serial = ++serials[static_cast<size_t>(t - 1000)];
            traffic.sends.push_back(TRANS_INFO{serial, t, stamp, 64, false});
            traffic.recvs.push_back(TRANS_INFO{serial, t, (stamp + 40) % 60000, 900, false});
        }
    }
    // Replies come back out of order within small windows.
    for (size_t i = 0; i + 16 <= traffic.recvs.size(); i += 16)
        std::shuffle(traffic.recvs.begin() + static_cast<std::ptrdiff_t>(i),
                     traffic.recvs.begin() + static_cast<std::ptrdiff_t>(i + 16), random);
    return traffic;
}

// Nanoseconds per record: the inverse rate of records (counted in units of 10^9) per second.
benchmark::Counter NsPerRecord(size_t records) {
    return benchmark::Counter(static_cast<double>(records) * 1e-9,
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_SortByTypeAndSerial(benchmark::State& state) {
    const Traffic traffic = MakeTraffic(static_cast<size_t>(state.range(0)));
    std::vector<TRANS_INFO> all = traffic.sends;
    all.insert(all.end(), traffic.recvs.begin(), traffic.recvs.end());
    std::vector<TRANS_INFO> work;
    for (auto _ : state) {
        work = all;
        std::sort(work.begin(), work.end(), [](const TRANS_INFO& a, const TRANS_INFO& b) {
            return a.nReqType != b.nReqType ? a.nReqType < b.nReqType : a.nSerial < b.nSerial;
        });
        benchmark::DoNotOptimize(work.data());
    }
    state.counters["ns_per_record"] = NsPerRecord(all.size());
}

void BM_AnalyseTransInfo(benchmark::State& state) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "monitor-analysis-bench";
    std::filesystem::create_directories(dir);
    SetExecutableDirOverride(NarrowToWide(dir.string()));
    {
        const Traffic traffic = MakeTraffic(static_cast<size_t>(state.range(0)));
        CMonitorControl monitor(true);
        for (auto _ : state) {
            A::m_vecSendBatch(monitor) = traffic.sends;
            A::m_vecRecvBatch(monitor) = traffic.recvs;
            A::m_bSendBatchReady(monitor) = 1;
            A::m_bRecvBatchReady(monitor) = 1;
            A::AnalyseTransInfo(monitor);
        }
        state.counters["ns_per_record"] = NsPerRecord(traffic.sends.size() + traffic.recvs.size());
    }
    SetExecutableDirOverride(CString());
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_SortByTypeAndSerial)->Arg(800)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalyseTransInfo)->Arg(800)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
