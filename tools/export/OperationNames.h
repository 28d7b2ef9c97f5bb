// The operation names of a monitor configuration (Config/MonitorConfig.xml), by type code: the
// kind's name and the names of its values, as the monitor itself loads them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

struct OperationKindNames {
    std::string name;
    std::map<std::int32_t, std::string> value1;
    std::map<std::int32_t, std::string> value2;
};

struct OperationNameTable {
    std::map<std::int32_t, OperationKindNames> kinds;
    // Tells tables apart for readers that keep something derived from one (a new number for
    // every table loaded in the process; 0 for the empty table).
    std::uint64_t serial = 0;
};

// Loads the names of `configFile`. The monitor reads its configuration from its executable
// folder: the file is copied into a private scratch folder, so nothing is read or written beside
// the original. False, with the reason, when the file cannot be read or names no operation.
bool LoadOperationNames(const std::filesystem::path& configFile, OperationNameTable& table, std::string& problem);
