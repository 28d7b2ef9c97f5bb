// What the plug-in costs a host that carries it: resident memory of a host process that has set
// up its services (the baseline, measured first in the same run), after loading the plug-in and
// after QZLibInitialize; the shared libraries the load adds to the process; and the times of the
// load, of QZLibInitialize and of QZLibDestroy. The plug-in runs on a scratch installation with
// the sample monitor configuration, so its start-up writes its day files there as in a host.
//
// The load happens once per process (a library is mapped once), so each repetition runs this
// program again: build/bench/footprint_bench --benchmark_repetitions=1, five times.
//
// Run: ninja -C build-rel footprint_bench && build-rel/bench/footprint_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <string>

#include "host/HostEnvironment.h"
#include "platform/Module.h"
#include "platform/ProcessInfo.h"
#include "platform/System.h"
#include "platform/TextConv.h"

namespace fs = std::filesystem;

namespace {

// Resident memory of this process in kilobytes, as the monitor itself reads it.
long ResidentKilobytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(&counters, sizeof counters) ? static_cast<long>(counters.WorkingSetSize / 1024) : -1;
}

// The shared objects mapped into this process (the paths of /proc/self/maps ending in ".so" or
// holding ".so.").
std::set<std::string> MappedLibraries() {
    std::set<std::string> libraries;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const size_t slash = line.find('/');
        if (slash == std::string::npos) continue;
        const std::string path = line.substr(slash);
        const std::string name = fs::path(path).filename().string();
        if (name.find(".so") != std::string::npos) libraries.insert(path);
    }
    return libraries;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void BM_LoadInitializeDestroy(benchmark::State& state) {
    // A scratch installation: the sample configuration, nothing else.
    const fs::path dir = fs::temp_directory_path() / ("footprint_bench_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir / "Config");
    fs::copy_file(fs::path(MONITOR_SOURCE_DIR) / "samples" / "host" / "Config" / "MonitorConfig.xml",
                  dir / "Config" / "MonitorConfig.xml");
    const CString plugin = CString(NarrowToWide(MONITOR_PLUGIN_DIR)) + L"/" + ModuleFileName(L"qzmonitor");

    for (auto _ : state) {
        HostEnvironment host;
        SetExecutableDirOverride(NarrowToWide(dir.string()));
        const std::set<std::string> before = MappedLibraries();
        const long rssBefore = ResidentKilobytes();

        const auto t0 = std::chrono::steady_clock::now();
        std::string error;
        void* module = LoadModule(plugin, &error);
        const auto t1 = std::chrono::steady_clock::now();
        if (!module) {
            state.SkipWithError(("cannot load the plug-in: " + error).c_str());
            break;
        }
        const long rssLoaded = ResidentKilobytes();
        const std::set<std::string> after = MappedLibraries();
        auto initialize = reinterpret_cast<void (*)()>(GetModuleSymbol(module, "QZLibInitialize"));
        auto destroy = reinterpret_cast<void (*)()>(GetModuleSymbol(module, "QZLibDestroy"));

        const auto t2 = std::chrono::steady_clock::now();
        initialize();
        const auto t3 = std::chrono::steady_clock::now();
        const long rssInitialized = ResidentKilobytes();
        destroy();
        const auto t4 = std::chrono::steady_clock::now();

        int added = 0;
        for (const std::string& library : after)
            if (!before.count(library)) {
                ++added;
                if (state.thread_index() == 0 && std::getenv("FOOTPRINT_LIST")) std::cerr << "  + " << library << "\n";
            }
        state.counters["rss_host_kB"] = static_cast<double>(rssBefore);
        state.counters["rss_loaded_kB"] = static_cast<double>(rssLoaded);
        state.counters["rss_initialized_kB"] = static_cast<double>(rssInitialized);
        state.counters["added_kB"] = static_cast<double>(rssInitialized - rssBefore);
        state.counters["libraries_added"] = added;
        state.counters["load_ms"] = Milliseconds(t1 - t0);
        state.counters["initialize_ms"] = Milliseconds(t3 - t2);
        state.counters["destroy_ms"] = Milliseconds(t4 - t3);
        // The module stays mapped: its code may still be referenced by what the host keeps.
        SetExecutableDirOverride(CString());
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_LoadInitializeDestroy)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
