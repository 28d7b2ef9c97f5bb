#include "tools/export/Summary.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Figure(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// "min 12.0, median 20.5, max 31.0 (n files)" of `values`, or "none".
std::string Spread(std::vector<double> values, const char* unit) {
    if (values.empty()) return "none";
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return "min " + Figure(values.front()) + unit + ", median " + Figure(median) + unit + ", max " +
           Figure(values.back()) + unit + " (" + std::to_string(n) + " files)";
}

}  // namespace

void SummaryReport::Folder(const std::string&, const std::string& machine) {
    ++m_folders;
    m_machines.insert(machine);
}

void SummaryReport::Machine(const FileOrigin&, const MachineContent&) {}

void SummaryReport::Statistics(const FileOrigin& origin, const StatisticsContent& statistics) {
    ++m_statisticsFiles;
    if (origin.day) m_days.insert(*origin.day);
    if (statistics.memoryPeakMb) m_memoryPeak.push_back(*statistics.memoryPeakMb);
    if (statistics.memoryAverageMb) m_memoryAverage.push_back(*statistics.memoryAverageMb);
    if (statistics.cpuPeakPercent) m_cpuPeak.push_back(static_cast<double>(*statistics.cpuPeakPercent));
    if (statistics.cpuAveragePercent) m_cpuAverage.push_back(static_cast<double>(*statistics.cpuAveragePercent));
    for (const LogonEntry& logon : statistics.logons) ++m_servers[logon.server];
}

void SummaryReport::Operations(const FileOrigin& origin, std::string_view log, const OperationNameTable& names) {
    const size_t count = OperationCount(log);
    if (count && origin.day) m_days.insert(*origin.day);
    m_operations += count;
    for (size_t i = 0; i < count; ++i) {
        const OperationEntry record = OperationAt(log, i);
        KindCount& kind = m_kinds[record.type];
        ++kind.records;
        auto [value, added] = kind.values.try_emplace(record.value1);
        ++value->second.second;
        // Names are looked up once per distinct kind and value, not per record.
        if (!added) continue;
        const auto known = names.kinds.find(record.type);
        if (known == names.kinds.end()) continue;
        kind.name = known->second.name;
        if (const auto name = known->second.value1.find(record.value1); name != known->second.value1.end())
            value->second.first = name->second;
    }
}

void SummaryReport::Problem(const std::string& what) {
    m_problems.push_back(what);
}

void SummaryReport::Write(std::ostream& out) const {
    out << "folders: " << m_folders << ", machines: " << m_machines.size() << "\n";
    if (m_days.empty()) {
        out << "days: none\n";
    } else {
        const auto first = DateOfDay(*m_days.begin()), last = DateOfDay(*m_days.rbegin());
        out << "days: " << m_days.size() << ", " << first.value_or("day " + std::to_string(*m_days.begin())) << " to "
            << last.value_or("day " + std::to_string(*m_days.rbegin())) << "\n";
    }
    out << "operations: " << m_operations << "\n";
    std::vector<std::pair<std::int32_t, const KindCount*>> kinds;
    for (const auto& [type, kind] : m_kinds) kinds.emplace_back(type, &kind);
    std::stable_sort(kinds.begin(), kinds.end(),
                     [](const auto& a, const auto& b) { return a.second->records > b.second->records; });
    for (const auto& [type, kind] : kinds) {
        out << "  " << (kind->name.empty() ? "type " + std::to_string(type) : kind->name) << " (type " << type
            << "): " << kind->records << "\n";
        std::vector<std::pair<std::int32_t, const std::pair<std::string, std::uint64_t>*>> values;
        for (const auto& [code, value] : kind->values) values.emplace_back(code, &value);
        std::stable_sort(values.begin(), values.end(),
                         [](const auto& a, const auto& b) { return a.second->second > b.second->second; });
        for (size_t i = 0; i < values.size() && i < 5; ++i) {
            const auto& [code, value] = values[i];
            out << "    " << value->second << "  "
                << (value->first.empty() ? "value " + std::to_string(code)
                                         : value->first + " (" + std::to_string(code) + ")")
                << "\n";
        }
    }
    out << "statistics files: " << m_statisticsFiles << "\n";
    out << "  memory peak: " << Spread(m_memoryPeak, " MB") << "\n";
    out << "  memory average: " << Spread(m_memoryAverage, " MB") << "\n";
    out << "  CPU peak: " << Spread(m_cpuPeak, "%") << "\n";
    out << "  CPU average: " << Spread(m_cpuAverage, "%") << "\n";
    std::vector<std::pair<std::string, std::uint64_t>> servers(m_servers.begin(), m_servers.end());
    std::stable_sort(servers.begin(), servers.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    out << "log-on servers: " << servers.size() << "\n";
    for (const auto& [server, count] : servers) out << "    " << count << "  " << server << "\n";
    out << "not read: " << m_problems.size() << "\n";
    for (const std::string& problem : m_problems) out << "  " << problem << "\n";
}
