// Reads collected data folders one file at a time and hands each file's content to a sink: the
// common part of the export and the summary. Read-only over the folders; what is kept between
// files is the folder's machine identity and operation names, never the records.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools/export/ExportSink.h"

struct FleetOptions {
    // Names for every folder; when empty, a host folder's own Config/MonitorConfig.xml is used.
    std::filesystem::path configFile;
};

// Hands one file's plain content of kind statistics or operations to `sink`; false, with the
// reason, when the content is not of that kind.
bool ExportPlainFile(const FileOrigin& origin, const std::string& plain, const OperationNameTable& names,
                     ExportSink& sink, std::string& problem);

class FleetReader {
public:
    // `report` gets each problem as one line (without "monitor-decode: ").
    FleetReader(FleetOptions options, std::function<void(const std::string&)> report);

    // False, with the reason, when the given configuration cannot be loaded.
    bool Prepare(std::string& problem);
    // Reads one folder into `sink`; false when something in it could not be read (reported).
    bool ReadFolder(const std::filesystem::path& folder, ExportSink& sink);
    // The number of problems reported so far.
    int Problems() const { return m_problems; }

private:
    void Report(ExportSink& sink, const std::string& what);

    FleetOptions m_options;
    std::function<void(const std::string&)> m_report;
    OperationNameTable m_givenNames;
    int m_problems = 0;
};
