// Cost of recording a user operation, measured end to end: the reference host publishes
// "MenuCommand" on its message bus, the monitor's handler converts the path and appends a 16-byte
// record to the day's operation log. The baseline, in the same run and on the same disk, is a
// loop of plain 16-byte writes through the platform's file class. After the runs the program
// prints the ratio of the two rates (medians over the repetitions, CPU time and wall clock) and
// fails when recording on CPU time is slower than 0.8 of the baseline.
// Two more rows break the cost down: the same path for a kind that is not recorded (host and
// handler without the write), and WriteOperation called directly (without host and handler).
// At shutdown the container reports that it could not scramble the open log: that is expected.
//
//   oplog_bench [--benchmark_repetitions=5] [--benchmark_min_time=...]   (Release build recommended)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/MedianReporter.h"
#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
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

}  // namespace

// The monitor's friend for tests; this program's own definition only reaches WriteOperation.
struct MonitorTestAccess {
    static void WriteOperation(CMonitorControl& monitor, const CString& kind, const CString& value1,
                               const CString& value2) {
        monitor.WriteOperation(kind, value1, value2);
    }
};

namespace {

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
    const std::wstring message = L"MenuCommand";
    const boost::any payload(CString(L"\\\\系统\\连接行情服务器"));
    for (auto _ : state) publisher.publish(message, payload);
    state.SetItemsProcessed(state.iterations());
}

// For the breakdown: the same path for a kind that the configuration does not list, so the
// handler runs and WriteOperation returns after its lookup, without writing.
void BM_ToolbarCommandUnrecorded(benchmark::State& state) {
    MessagePublisher& publisher = g_host->Host().Publisher();
    const std::wstring message = L"ToolbarCommand";
    const boost::any payload(CString(L"\\\\报价\\分时"));
    for (auto _ : state) publisher.publish(message, payload);
    state.SetItemsProcessed(state.iterations());
}

// For the breakdown: WriteOperation called directly, without the host's publisher and the handler.
void BM_WriteOperationDirect(benchmark::State& state) {
    auto* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    const CString kind(L"MenuCommand");
    const CString value1(L"||系统|连接行情服务器");
    const CString value2(L"0");
    for (auto _ : state) MonitorTestAccess::WriteOperation(*monitor, kind, value1, value2);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_PlainWrite16);
BENCHMARK(BM_MenuCommandRecord);
BENCHMARK(BM_ToolbarCommandUnrecorded);
BENCHMARK(BM_WriteOperationDirect);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianReporter reporter;
    {
        BenchHost host;
        g_host = &host;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        g_host = nullptr;
    }
    benchmark::Shutdown();

    // Compared on CPU time, which the other processes of a busy machine do not inflate; the wall
    // clock ratio is shown beside it.
    const double baseline = reporter.Rate("BM_PlainWrite16", true);
    const double recorded = reporter.Rate("BM_MenuCommandRecord", true);
    if (baseline <= 0 || recorded <= 0) return 0;  // filtered out: nothing to compare
    const double ratio = recorded / baseline;
    const auto wallRatio = [&](const char* name) {
        const double base = reporter.Rate("BM_PlainWrite16", false);
        return base > 0 ? reporter.Rate(name, false) / base : 0.0;
    };
    std::printf(
        "medians, CPU time: records per second through the handler %.0f, plain 16-byte writes %.0f, "
        "ratio %.2f (at least %.2f); wall clock ratio %.2f\n",
        recorded, baseline, ratio, kRequiredRatio, wallRatio("BM_MenuCommandRecord"));
    if (const double direct = reporter.Rate("BM_WriteOperationDirect", true); direct > 0)
        std::printf("WriteOperation called directly: %.0f records per second, ratio %.2f; wall clock ratio %.2f\n",
                    direct, direct / baseline, wallRatio("BM_WriteOperationDirect"));
    return ratio >= kRequiredRatio ? 0 : 1;
}
