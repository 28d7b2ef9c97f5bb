// Throughput of the scrambled file container against the bare cipher over the same bytes.
//
// CipherInMemory / DecipherInMemory transform a 64 MiB buffer in place; ScrambleFile /
// UnscrambleFile turn a 64 MiB file into a container and back through the file layer. Each
// reports bytes per second and, as "sec/byte", the time per byte (shown with an SI prefix: "2n"
// is 2 ns). The file paths should reach at least 0.7 of the in-memory throughput. On a busy
// machine compare the CPU columns: the wall-clock ones then measure the other processes too.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "store/Container.h"
#include "store/Rc5.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSize = std::size_t{64} << 20;

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

BENCHMARK_MAIN();
