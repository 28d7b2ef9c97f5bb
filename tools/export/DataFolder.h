// Finding the data files of a collected data folder: a host folder (its Data/MONDAT), a folder
// that holds a collected MONDAT folder, or a bare MONDAT folder. Files are classified by name
// only; their content is read one file at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

enum class DataKind { operations, statistics, machine };

struct DataFileName {
    DataKind kind = DataKind::operations;
    std::optional<std::int64_t> day;  // DATA<n> and DATB<n>; none for DATC
};

// DATA<n> (operation log), DATB<n> (statistics), DATC (system information); n is decimal digits.
// Anything else is no data file: an interrupted container's leftover ("DATB4706$"), a profile
// writer's temporary file ("DATC.tmp123~"), a decoded copy ("DATA4706.xml"), SPEED, ...
std::optional<DataFileName> ClassifyDataFile(const std::string& name);

struct DataFile {
    std::filesystem::path path;
    std::string name;  // UTF-8
    DataFileName kind;
};

struct DataFolder {
    std::filesystem::path dataDir;     // the folder that holds the files
    std::filesystem::path configFile;  // the host folder's Config/MonitorConfig.xml, or empty
    std::string name;                  // the folder's own name (UTF-8), the machine's fallback identity
    // The system information file first (it names the machine), then the days in order, each
    // day's statistics before its operation log.
    std::vector<DataFile> files;
};

// False, with the reason, when the folder cannot be listed or holds no data file.
bool OpenDataFolder(const std::filesystem::path& folder, DataFolder& result, std::string& problem);

// The plain content of a data file's bytes: the bytes themselves, or the unscrambled content of a
// container. False, with the reason, for a damaged container.
bool PlainContent(const std::string& bytes, std::string& plain, std::string& problem);
// Reads the file and gives its plain content.
bool ReadPlainFile(const std::filesystem::path& path, std::string& plain, std::string& problem);
