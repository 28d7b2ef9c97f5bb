// A console reporter that also remembers each benchmark's time per iteration, CPU and wall
// clock, so that a benchmark program can compare its rows after the runs: the median the library
// computes over --benchmark_repetitions, or the median of the runs this reporter saw (the only
// run, without repetitions). Benchmarks are named by their function, without the "/real_time"
// and other suffixes of the library's run names.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Times& times = m_times[run.run_name.function_name];
            if (run.run_type == Run::RT_Iteration) {
                times.cpu.push_back(Seconds(run, run.GetAdjustedCPUTime()));
                times.wall.push_back(Seconds(run, run.GetAdjustedRealTime()));
            } else if (run.aggregate_name == "median") {
                times.medianCpu = Seconds(run, run.GetAdjustedCPUTime());
                times.medianWall = Seconds(run, run.GetAdjustedRealTime());
            }
        }
    }

    // Median seconds per iteration of a benchmark, on CPU time or on the wall clock; 0 when it
    // did not run.
    double Median(const std::string& name, bool cpu) const {
        const auto it = m_times.find(name);
        if (it == m_times.end()) return 0;
        const Times& times = it->second;
        if (const double median = cpu ? times.medianCpu : times.medianWall; median > 0) return median;
        std::vector<double> values = cpu ? times.cpu : times.wall;
        if (values.empty()) return 0;
        std::sort(values.begin(), values.end());
        const std::size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

    // Median iterations per second; 0 when the benchmark did not run.
    double Rate(const std::string& name, bool cpu) const {
        const double median = Median(name, cpu);
        return median > 0 ? 1 / median : 0;
    }

private:
    struct Times {
        std::vector<double> cpu, wall;  // seconds per iteration, one entry per repetition
        double medianCpu = 0, medianWall = 0;
    };

    // The adjusted times are in the benchmark's display unit.
    static double Seconds(const Run& run, double time) {
        return time / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    std::map<std::string, Times> m_times;
};
