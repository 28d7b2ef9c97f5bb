// The export of monitor-decode over a synthetic fleet that the program lays out itself, once, in a
// private scratch folder: 1,000 data folders, a week each (7 operation logs, 7 scrambled statistics
// files and a scrambled system information file per folder), 1,001,000 operation records in all.
//
//   ReadBaseline  lists each folder, reads every data file's bytes and writes as many bytes of fixed
//                 text to a null sink as the JSON Lines export writes;
//   JsonLines     the export as JSON Lines to a null sink;
//   Sqlite        the export into a new SQLite database (one transaction per file);
//   Memory        resident memory after exporting N and 2N folders (N = 500) to a null sink.
//
// After the runs the program prints the ratios and fails when a target is missed: JSON Lines at
// least 0.5 times the baseline's throughput, SQLite at least 200,000 records a second, and the
// resident memory after 2N folders within 2 MB of that after N.
//
//   export_bench [--benchmark_repetitions=3]   (Release build recommended)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/MedianReporter.h"
#include "platform/ProcessInfo.h"
#include "store/Container.h"
#include "tools/ScratchFolder.h"
#include "tools/export/FleetReader.h"
#include "tools/export/JsonLines.h"
#include "tools/export/SqliteStore.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 1000;
constexpr int kDays = 7;
constexpr int kRecordsPerLog = 143;  // 1,001,000 records in all
constexpr int kFirstDay = 4700;

// Discards everything written to it.
class NullBuffer : public std::streambuf {
protected:
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

void WriteFile(const fs::path& path, const std::string& bytes, bool scrambled) {
    std::ofstream(path, std::ios::binary) << bytes;
    if (scrambled && !ScrambleFile(path.string().c_str())) throw std::runtime_error("cannot scramble " + path.string());
}

class Fleet {
public:
    Fleet() {
        std::mt19937 random(2010);
        for (int f = 0; f < kFolders; ++f) {
            const fs::path data = m_scratch.Path() / ("term" + std::to_string(f)) / "Data" / "MONDAT";
            fs::create_directories(data);
            char mac[32];
            std::snprintf(mac, sizeof mac, "00-16-3E-%02X-%02X-%02X", f >> 16 & 0xff, f >> 8 & 0xff, f & 0xff);
            WriteFile(data / "DATC",
                      "[ROOT]\r\nWindowsVersion=Windows 10\r\nCPUName=Example CPU\r\nRAMSize=16384 MB\r\n"
                      "MacName1=Ethernet\r\nMacID1=" +
                          std::string(mac) + "\r\n",
                      true);
            for (int d = 0; d < kDays; ++d) {
                const std::string day = std::to_string(kFirstDay + d);
                WriteFile(data / ("DATB" + day),
                          "[ROOT]\r\nStatisticsTime=2160\r\nProcessMemoryPeakSize=" + std::to_string(30 + f % 40) +
                              ".128906\r\nProcessMemoryAverageSize=28.5\r\nProcessCPUAverageSize=3\r\n"
                              "ProcessCPUPeakSize=41\r\nShutDownCount=1\r\n[LogOn1]\r\nServerName=quotes" +
                              std::to_string(f % 7) + ".example\r\nTime=09:30:00\r\nRetryTime=0\r\nIsProxy=false\r\n",
                          true);
                std::string log;
                for (int r = 0; r < kRecordsPerLog; ++r) {
                    const std::int32_t fields[4] = {static_cast<std::int32_t>(90000 + r * 100),
                                                    static_cast<std::int32_t>(1 + random() % 6),
                                                    static_cast<std::int32_t>(random() % 40), 0};
                    for (std::int32_t field : fields)
                        for (int shift = 0; shift < 32; shift += 8)
                            log.push_back(static_cast<char>(static_cast<std::uint32_t>(field) >> shift & 0xff));
                }
                WriteFile(data / ("DATA" + day), log, false);
            }
            m_folders.push_back(data.parent_path().parent_path());
        }
    }
    const std::vector<fs::path>& Folders() const { return m_folders; }
    const fs::path& Scratch() const { return m_scratch.Path(); }

private:
    ScratchFolder m_scratch;
    std::vector<fs::path> m_folders;
};

Fleet& TheFleet() {
    static Fleet fleet;
    return fleet;
}

// Exports `count` folders of the fleet as JSON Lines to a null sink; the bytes written.
std::uint64_t ExportJson(int count) {
    NullBuffer null;
    std::ostream out(&null);
    JsonLinesWriter writer(out);
    FleetReader reader(FleetOptions(), nullptr);
    for (int i = 0; i < count; ++i) reader.ReadFolder(TheFleet().Folders()[i], writer);
    std::string problem;
    writer.Finish(problem);
    return writer.BytesWritten();
}

std::uint64_t g_jsonBytes = 0;

double ResidentMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(&counters, sizeof counters) ? counters.WorkingSetSize / 1048576.0 : 0;
}

double g_residentN = 0, g_resident2N = 0;

void Memory(benchmark::State& state) {
    TheFleet();
    for (auto _ : state) {
        ExportJson(kFolders / 2);
        g_residentN = ResidentMb();
        ExportJson(kFolders);
        g_resident2N = ResidentMb();
    }
    state.counters["rss_N_MB"] = g_residentN;
    state.counters["rss_2N_MB"] = g_resident2N;
}

void JsonLines(benchmark::State& state) {
    TheFleet();
    for (auto _ : state) g_jsonBytes = ExportJson(kFolders);
    state.SetBytesProcessed(static_cast<std::int64_t>(g_jsonBytes * state.iterations()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kFolders * kDays * kRecordsPerLog);
}

void ReadBaseline(benchmark::State& state) {
    TheFleet();
    if (!g_jsonBytes) g_jsonBytes = ExportJson(kFolders);
    const std::string text(1 << 16, 'x');
    for (auto _ : state) {
        NullBuffer null;
        std::ostream out(&null);
        std::uint64_t written = 0;
        std::string bytes;
        for (const fs::path& folder : TheFleet().Folders()) {
            for (const auto& entry : fs::directory_iterator(folder / "Data" / "MONDAT")) {
                std::ifstream in(entry.path(), std::ios::binary);
                bytes.resize(static_cast<size_t>(entry.file_size()));
                in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                benchmark::DoNotOptimize(bytes.data());
            }
            // The same share of the output bytes for each folder.
            const std::uint64_t share = g_jsonBytes * (&folder - TheFleet().Folders().data() + 1) / kFolders;
            for (; written + text.size() <= share; written += text.size()) out.write(text.data(), text.size());
            out.write(text.data(), static_cast<std::streamsize>(share - written));
            written = share;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(g_jsonBytes * state.iterations()));
}

void Sqlite(benchmark::State& state) {
    TheFleet();
    const fs::path db = TheFleet().Scratch() / "fleet.db";
    std::uint64_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(db.string() + suffix, ec);
        state.ResumeTiming();
        SqliteStore store(db.string(), nullptr);
        FleetReader reader(FleetOptions(), nullptr);
        for (const fs::path& folder : TheFleet().Folders()) reader.ReadFolder(folder, store);
        std::string problem;
        store.Finish(problem);
        records += store.OperationsAdded();
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<std::int64_t>(records));
}

}  // namespace

BENCHMARK(Memory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(ReadBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JsonLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Sqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bool met = true;
    const double records = static_cast<double>(kFolders) * kDays * kRecordsPerLog;
    const double baseline = reporter.Median("ReadBaseline", false), json = reporter.Median("JsonLines", false);
    if (baseline > 0 && json > 0) {
        const double ratio = baseline / json;
        std::printf(
            "JSON Lines / baseline throughput: %.2f (at least 0.50); %.0f ms against %.0f ms, %.1f MB written, "
            "%.0f ns a record\n",
            ratio, json * 1e3, baseline * 1e3, g_jsonBytes / 1e6, json / records * 1e9);
        met = met && ratio >= 0.5;
    }
    if (const double sqlite = reporter.Median("Sqlite", false); sqlite > 0) {
        const double rate = records / sqlite;
        std::printf("SQLite: %.0f records a second (at least 200000), %.0f ms\n", rate, sqlite * 1e3);
        met = met && rate >= 200000;
    }
    if (g_resident2N > 0) {
        std::printf("resident memory after %d folders: %.1f MB, after %d: %.1f MB (within 2 MB)\n", kFolders / 2,
                    g_residentN, kFolders, g_resident2N);
        met = met && g_resident2N - g_residentN <= 2.0;
    }
    return met ? 0 : 1;
}
