// Throughput of the scrambled file container against the bare cipher over the same bytes.
//
// CipherInMemory / DecipherInMemory transform a 64 MiB buffer in place; ScrambleFile /
// UnscrambleFile turn a 64 MiB file into a container and back through the file layer. Each
// reports bytes per second and, as "sec/byte", the time per byte (shown with an SI prefix: "2n"
// is 2 ns). The file paths should reach at least 0.7 of the in-memory throughput: after the runs
// the program prints each row's nanoseconds and cycles per byte and the two ratios (medians over
// the repetitions), and fails when a wall-clock ratio is below 0.7. On a busy machine compare the
// CPU ratios too: the wall-clock ones then measure the other processes as well.
//
//   container_bench [--benchmark_repetitions=5]   (Release build recommended)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/MedianReporter.h"
#include "store/Container.h"
#include "store/Rc5.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSize = std::size_t{64} << 20;
constexpr double kRequiredRatio = 0.7;

std::vector<std::uint8_t> RandomBytes() {
    std::vector<std::uint8_t> bytes(kSize);
    std::mt19937_64 random(2010);
    for (std::size_t i = 0; i < kSize; i += 8) {
        const std::uint64_t word = random();
        for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    return bytes;
}

void Report(benchmark::State& state) {
    const auto bytes = static_cast<double>(state.iterations()) * static_cast<double>(kSize);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["sec/byte"] = benchmark::Counter(bytes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A 64 MiB plain file in a folder of its own, removed afterwards.
class PlainFile {
public:
    PlainFile() {
        m_dir = fs::temp_directory_path() / ("container-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
        m_path = (m_dir / "DATB4706").string();
        const auto bytes = RandomBytes();
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ~PlainFile() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    const char* Path() const { return m_path.c_str(); }

private:
    fs::path m_dir;
    std::string m_path;
};

void CipherInMemory(benchmark::State& state) {
    const Rc5& cipher = ContainerCipher();
    auto bytes = RandomBytes();
    for (auto _ : state) {
        cipher.Encrypt(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}

void DecipherInMemory(benchmark::State& state) {
    const Rc5& cipher = ContainerCipher();
    auto bytes = RandomBytes();
    for (auto _ : state) {
        cipher.Decrypt(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}

void ScrambleFile(benchmark::State& state) {
    PlainFile file;
    for (auto _ : state) {
        if (!::ScrambleFile(file.Path())) state.SkipWithError("ScrambleFile failed");
        state.PauseTiming();
        if (!::UnscrambleFile(file.Path())) state.SkipWithError("UnscrambleFile failed");
        state.ResumeTiming();
    }
    Report(state);
}

void UnscrambleFile(benchmark::State& state) {
    PlainFile file;
    if (!::ScrambleFile(file.Path())) state.SkipWithError("ScrambleFile failed");
    for (auto _ : state) {
        if (!::UnscrambleFile(file.Path())) state.SkipWithError("UnscrambleFile failed");
        state.PauseTiming();
        if (!::ScrambleFile(file.Path())) state.SkipWithError("ScrambleFile failed");
        state.ResumeTiming();
    }
    Report(state);
}

}  // namespace

BENCHMARK(CipherInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DecipherInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ScrambleFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UnscrambleFile)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // Per byte and against the bare cipher, from the medians over the repetitions. Cycles are
    // nanoseconds times the clock the library measured, so only a rough guide on a shared machine.
    const double cyclesPerSecond = benchmark::CPUInfo::Get().cycles_per_second;
    std::printf("medians over a %zu MiB buffer or file (wall clock | CPU time):\n", kSize >> 20);
    for (const char* name : {"CipherInMemory", "DecipherInMemory", "ScrambleFile", "UnscrambleFile"}) {
        const double wall = reporter.Median(name, false) / kSize, cpu = reporter.Median(name, true) / kSize;
        if (wall <= 0) continue;
        std::printf("  %-16s %.3f ns/byte, %.2f cycles/byte | %.3f ns/byte, %.2f cycles/byte\n", name, wall * 1e9,
                    wall * cyclesPerSecond, cpu * 1e9, cpu * cyclesPerSecond);
    }
    bool met = true;
    for (const auto& [file, memory] :
         {std::pair{"ScrambleFile", "CipherInMemory"}, {"UnscrambleFile", "DecipherInMemory"}}) {
        const double base = reporter.Rate(memory, false), rate = reporter.Rate(file, false);
        if (base <= 0 || rate <= 0) continue;  // filtered out
        const double baseCpu = reporter.Rate(memory, true), rateCpu = reporter.Rate(file, true);
        const double ratio = rate / base;
        std::printf("%s / %s throughput: %.2f on the wall clock (at least %.2f), %.2f on CPU time\n", file, memory,
                    ratio, kRequiredRatio, baseCpu > 0 ? rateCpu / baseCpu : 0.0);
        met = met && ratio >= kRequiredRatio;
    }
    return met ? 0 : 1;
}
