// A short report of collected data folders for people: folders and machines, days covered,
// operations by kind with their most used values, the memory and processor figures across runs,
// the log-on servers, and what could not be read. What it keeps grows with the distinct values
// (kinds, values, servers, days, statistics files), not with the records.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tools/export/ExportSink.h"

class SummaryReport : public ExportSink {
public:
    void Folder(const std::string& source, const std::string& machine) override;
    void Machine(const FileOrigin& origin, const MachineContent& machine) override;
    void Statistics(const FileOrigin& origin, const StatisticsContent& statistics) override;
    void Operations(const FileOrigin& origin, std::string_view log, const OperationNameTable& names) override;
    void Problem(const std::string& what) override;

    void Write(std::ostream& out) const;

private:
    struct KindCount {
        std::string name;  // from the configuration, or ""
        std::uint64_t records = 0;
        // value1 code -> {name, count}
        std::map<std::int32_t, std::pair<std::string, std::uint64_t>> values;
    };
    std::uint64_t m_folders = 0;
    std::set<std::string> m_machines;
    std::set<std::int64_t> m_days;
    std::uint64_t m_operations = 0;
    std::map<std::int32_t, KindCount> m_kinds;
    std::uint64_t m_statisticsFiles = 0;
    std::vector<double> m_memoryPeak, m_memoryAverage, m_cpuPeak, m_cpuAverage;
    std::map<std::string, std::uint64_t> m_servers;
    std::vector<std::string> m_problems;
};
