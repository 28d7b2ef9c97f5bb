// Cost of capturing one "TransInfoSend" message: publishing through the host's publisher to the
// monitor, against publishing the same payload to a subscriber that only appends the record to a
// vector. Both sides hand their records on every 800, as the analysis takes the monitor's batches.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "host/HostEnvironment.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"

using A = MonitorTestAccess;

namespace {

// An empty folder made the executable directory for one benchmark.
struct ScratchDir {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "monitor-capture-bench";
    ScratchDir() {
        std::filesystem::create_directories(dir);
        SetExecutableDirOverride(NarrowToWide(dir.string()));
    }
    ~ScratchDir() {
        SetExecutableDirOverride(CString());
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

void BM_PublishToVector(benchmark::State& state) {
    HostEnvironment host;
    std::vector<TRANS_INFO> records;
    records.reserve(800);
    host.Publisher()._subscribe(L"TransInfoSend", [&records](boost::any payload) {
        records.push_back(*boost::any_cast<TRANS_INFO*>(payload));
        if (records.size() >= 800) records.clear();
    });
    TRANS_INFO record{1, 1001, 0, 64, false};
    for (auto _ : state) {
        ++record.nSerial;
        host.Publisher().publish(L"TransInfoSend", boost::any(&record));
    }
    benchmark::DoNotOptimize(records.data());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PublishToVector);

void BM_PublishToMonitor(benchmark::State& state) {
    ScratchDir scratch;
    HostEnvironment host;
    CMonitorControl monitor(true);
    monitor.InitializeControl();
    TRANS_INFO record{1, 1001, 0, 64, false};
    for (auto _ : state) {
        ++record.nSerial;
        host.Publisher().publish(L"TransInfoSend", boost::any(&record));
        if (A::m_bSendBatchReady(monitor).load(std::memory_order_relaxed)) {
            // What the analysis does with a batch it has taken.
            A::m_vecSendBatch(monitor).clear();
            A::m_bSendBatchReady(monitor) = 0;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PublishToMonitor);

}  // namespace

BENCHMARK_MAIN();
