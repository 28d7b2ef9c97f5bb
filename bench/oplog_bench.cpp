// Cost of recording a user operation, measured end to end: the reference host publishes
// "MenuCommand" on its message bus, the monitor's handler converts the path and appends a 16-byte
// record to the day's operation log. The baseline, in the same run and on the same disk, is a
// loop of plain 16-byte writes through the platform's file class. After the runs the program
// prints the ratio of the two rates and fails when recording is slower than 0.8 of the baseline.
//
//   oplog_bench [--benchmark_min_time=...]   (Release build recommended)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/HostEnvironment.h"
#include "platform/File.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"
#include "tests/support/MonitorConfigWriter.h"

namespace fs = std::filesystem;

namespace {

constexpr double kRequiredRatio = 0.8;

// A host installation in a temporary folder, with a monitor configuration that lists the
// recorded menu command; the monitor runs in it for the whole program.
class BenchHost {
public:
    BenchHost() {
        std::random_device random;
        m_dir = fs::temp_directory_path() / ("oplog-bench-" + std::to_string(random()));
        fs::create_directories(m_dir);
        SetExecutableDirOverride(NarrowToWide(m_dir.string()));
        WriteMonitorConfig(m_dir, {{L"MenuCommand", 1, {{L"||系统|连接行情服务器", 11}}, {}}});
        m_host = std::make_unique<HostEnvironment>();
        QZLibInitialize();
    }
    ~BenchHost() {
        QZLibDestroy();
        m_host.reset();
        SetExecutableDirOverride(CString());
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    HostEnvironment& Host() { return *m_host; }
    const fs::path& Dir() const { return m_dir; }

private:
    fs::path m_dir;
    std::unique_ptr<HostEnvironment> m_host;
};

BenchHost* g_host = nullptr;

void BM_PlainWrite16(benchmark::State& state) {
    CFile file;
    const CString path = NarrowToWide((g_host->Dir() / "baseline").string());
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive)) {
        state.SkipWithError("cannot create the baseline file");
        return;
    }
    const unsigned char record[16] = {0x7f, 0x95, 0x03, 0, 1, 0, 0, 0, 11, 0, 0, 0, 0, 0, 0, 0};
    for (auto _ : state) file.Write(record, sizeof record);
    file.Close();
    state.SetItemsProcessed(state.iterations());
}

void BM_MenuCommandRecord(benchmark::State& state) {
    MessagePublisher& publisher = g_host->Host().Publisher();
    const boost::any payload(CString(L"\\\\系统\\连接行情服务器"));
    for (auto _ : state) publisher.publish(L"MenuCommand", payload);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_PlainWrite16);
BENCHMARK(BM_MenuCommandRecord);

// The console report, remembering each benchmark's rate for the comparison at the end.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RateReporter reporter;
    {
        BenchHost host;
        g_host = &host;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        g_host = nullptr;
    }
    benchmark::Shutdown();

    const auto baseline = reporter.rates.find("BM_PlainWrite16");
    const auto recorded = reporter.rates.find("BM_MenuCommandRecord");
    if (baseline == reporter.rates.end() || recorded == reporter.rates.end() || baseline->second <= 0) return 0;
    const double ratio = recorded->second / baseline->second;
    std::printf(
        "records per second through the handler: %.0f; plain 16-byte writes: %.0f; ratio %.2f (at least %.2f)\n",
        recorded->second, baseline->second, ratio, kRequiredRatio);
    return ratio >= kRequiredRatio ? 0 : 1;
}
