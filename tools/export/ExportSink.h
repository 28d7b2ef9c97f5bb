// What the fleet reader hands on, one data file at a time: the JSON Lines writer, the SQLite
// store and the summary each take the same calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/export/DataFolder.h"
#include "tools/export/OperationNames.h"
#include "tools/export/Records.h"

// The data file being handed on, and where it comes from.
struct FileOrigin {
    std::string source;   // the folder as given (UTF-8)
    std::string machine;  // the machine's identity: MacID1 of its system information, else the folder's name
    std::string file;     // the file's name
    DataKind kind = DataKind::operations;
    std::optional<std::int64_t> day;
    std::optional<std::string> date;  // of `day`
    std::string_view content;         // the plain content, for sinks that key files by content
};

class ExportSink {
public:
    virtual ~ExportSink() = default;
    // A folder whose files follow, all with this machine identity.
    virtual void Folder(const std::string& source, const std::string& machine) = 0;
    virtual void Machine(const FileOrigin& origin, const MachineContent& machine) = 0;
    virtual void Statistics(const FileOrigin& origin, const StatisticsContent& statistics) = 0;
    // The records of one operation log (whole records only), with the names to restore.
    virtual void Operations(const FileOrigin& origin, std::string_view log, const OperationNameTable& names) = 0;
    // Something that could not be read: reported, and the rest goes on.
    virtual void Problem(const std::string& /*what*/) {}
    // False, with the reason, when what was written could not be kept.
    virtual bool Finish(std::string& /*problem*/) { return true; }
};
