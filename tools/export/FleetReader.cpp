#include "tools/export/FleetReader.h"

#include "tools/ProgramMain.h"

namespace fs = std::filesystem;

bool ExportPlainFile(const FileOrigin& origin, const std::string& plain, const OperationNameTable& names,
                     ExportSink& sink, std::string& problem) {
    if (origin.kind == DataKind::machine) {
        MachineContent machine;
        if (!ParseMachine(plain, machine, problem)) return false;
        sink.Machine(origin, machine);
    } else if (origin.kind == DataKind::statistics) {
        StatisticsContent statistics;
        if (!ParseStatistics(plain, statistics, problem)) return false;
        sink.Statistics(origin, statistics);
    } else {
        // A trailing part shorter than a record (a write cut short) is left out.
        sink.Operations(origin, std::string_view(plain.data(), OperationCount(plain) * kOperationRecordSize), names);
    }
    return true;
}

FleetReader::FleetReader(FleetOptions options, std::function<void(const std::string&)> report)
    : m_options(std::move(options)), m_report(std::move(report)) {}

bool FleetReader::Prepare(std::string& problem) {
    if (m_options.configFile.empty()) return true;
    if (LoadOperationNames(m_options.configFile, m_givenNames, problem)) return true;
    problem = Utf8(m_options.configFile) + ": " + problem;
    return false;
}

void FleetReader::Report(ExportSink& sink, const std::string& what) {
    ++m_problems;
    if (m_report) m_report(what);
    sink.Problem(what);
}

bool FleetReader::ReadFolder(const fs::path& folder, ExportSink& sink) {
    const int before = m_problems;
    const std::string source = Utf8(folder);
    DataFolder data;
    std::string problem;
    if (!OpenDataFolder(folder, data, problem)) {
        Report(sink, source + ": " + problem);
        return false;
    }

    OperationNameTable folderNames;
    const OperationNameTable* names = &m_givenNames;
    if (m_options.configFile.empty() && !data.configFile.empty()) {
        if (LoadOperationNames(data.configFile, folderNames, problem))
            names = &folderNames;
        else
            Report(sink, Utf8(data.configFile) + ": " + problem + "; its records are exported without names");
    }

    // The system information file comes first: it names the machine of every other file.
    FileOrigin origin;
    origin.source = source;
    origin.machine = data.name;
    std::string plain;
    MachineContent machine;
    bool machineRead = false;
    if (!data.files.empty() && data.files.front().kind.kind == DataKind::machine) {
        const DataFile& file = data.files.front();
        if (ReadPlainFile(file.path, plain, problem) && ParseMachine(plain, machine, problem)) {
            machineRead = true;
            if (std::string identity = MachineIdentity(machine); !identity.empty()) origin.machine = identity;
        } else {
            Report(sink, Utf8(file.path) + ": " + problem + "; skipped");
        }
    }
    sink.Folder(source, origin.machine);

    for (const DataFile& file : data.files) {
        origin.file = file.name;
        origin.kind = file.kind.kind;
        origin.day = file.kind.day;
        origin.date = file.kind.day ? DateOfDay(*file.kind.day) : std::nullopt;
        if (file.kind.kind == DataKind::machine) {
            if (!machineRead) continue;
            origin.content = plain;
            sink.Machine(origin, machine);
            continue;
        }
        if (!ReadPlainFile(file.path, plain, problem)) {
            Report(sink, Utf8(file.path) + ": " + problem + "; skipped");
            continue;
        }
        origin.content = plain;
        if (!ExportPlainFile(origin, plain, *names, sink, problem))
            Report(sink, Utf8(file.path) + ": " + problem + "; skipped");
    }
    return m_problems == before;
}
