#include "tools/export/Commands.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "tools/ProgramMain.h"
#include "tools/export/FleetReader.h"
#include "tools/export/JsonLines.h"
#include "tools/export/Summary.h"
#ifdef MONITOR_HAVE_SQLITE
#include "tools/export/SqliteStore.h"
#endif

namespace fs = std::filesystem;

namespace {

int Usage(const std::string& message) {
    std::cerr << "monitor-decode: " << message << " (monitor-decode --help shows the usage)\n";
    return 2;
}

int Fail(const std::string& message) {
    std::cerr << "monitor-decode: " << message << "\n";
    return 1;
}

void Report(const std::string& what) {
    std::cerr << "monitor-decode: " << what << "\n";
}

struct Arguments {
    std::string config, output, sqlite;
    std::vector<std::string> folders;
};

// Options take the next argument; everything else is a folder. "" when the arguments are fine.
std::string ParseArguments(const std::vector<std::string>& args, bool exporting, Arguments& parsed) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string* value = nullptr;
        if (arg == "--config")
            value = &parsed.config;
        else if (exporting && arg == "--output")
            value = &parsed.output;
        else if (exporting && arg == "--sqlite")
            value = &parsed.sqlite;
        else if (arg.rfind("-", 0) == 0)
            return "unknown option " + arg;
        if (!value) {
            parsed.folders.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) return arg + " takes a FILE";
        if (!value->empty()) return arg + " given twice";
        *value = args[++i];
    }
    if (!parsed.output.empty() && !parsed.sqlite.empty()) return "--output and --sqlite exclude each other";
    if (parsed.folders.empty()) return std::string(exporting ? "export" : "summary") + " takes at least one FOLDER";
    return "";
}

FleetOptions OptionsOf(const Arguments& parsed) {
    FleetOptions options;
    if (!parsed.config.empty()) options.configFile = PathFromUtf8(parsed.config);
    return options;
}

// Reads every folder into `sink`; the number of problems.
int ReadAll(FleetReader& reader, const Arguments& parsed, ExportSink& sink) {
    for (const std::string& folder : parsed.folders) reader.ReadFolder(PathFromUtf8(folder), sink);
    return reader.Problems();
}

// JSON Lines into `--output FILE`: written to a temporary file beside it, which replaces the file
// only when everything was written, so an interrupted or failed export leaves FILE as it was.
int ExportToFile(FleetReader& reader, const Arguments& parsed) {
    const fs::path target = PathFromUtf8(parsed.output);
    std::error_code ec;
    if (fs::is_directory(target, ec)) return Fail(parsed.output + ": a directory, not a file");
    std::random_device random;
    const fs::path temporary = PathFromUtf8(parsed.output + ".tmp" + std::to_string(random()) + "~");
    int problems = 0;
    std::string problem;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return Fail(parsed.output + ": cannot be written");
        JsonLinesWriter writer(out);
        try {
            problems = ReadAll(reader, parsed, writer);
        } catch (...) {
            out.close();
            fs::remove(temporary, ec);
            throw;
        }
        if (!writer.Finish(problem)) {
            out.close();
            fs::remove(temporary, ec);
            return Fail(parsed.output + ": " + problem);
        }
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            return Fail(parsed.output + ": cannot be written");
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return Fail(parsed.output + ": cannot be replaced (" + ec.message() + ")");
    }
    return problems ? 1 : 0;
}

int ExportToSqlite(FleetReader& reader, const Arguments& parsed) {
#ifdef MONITOR_HAVE_SQLITE
    SqliteStore store(parsed.sqlite, Report);
    const int problems = ReadAll(reader, parsed, store);
    std::string problem;
    if (!store.Finish(problem)) return Fail(parsed.sqlite + ": " + problem);
    return problems || store.Problems() ? 1 : 0;
#else
    (void)reader;
    (void)parsed;
    return 2;
#endif
}

}  // namespace

int ExportCommand(const std::vector<std::string>& args) {
    Arguments parsed;
    if (const std::string problem = ParseArguments(args, true, parsed); !problem.empty()) return Usage(problem);
#ifndef MONITOR_HAVE_SQLITE
    if (!parsed.sqlite.empty()) {
        std::cerr << "monitor-decode: this build has no SQLite support\n";
        return 2;
    }
#endif
    try {
        FleetReader reader(OptionsOf(parsed), Report);
        if (std::string problem; !reader.Prepare(problem)) return Fail(problem);
        if (!parsed.sqlite.empty()) return ExportToSqlite(reader, parsed);
        if (!parsed.output.empty()) return ExportToFile(reader, parsed);
        JsonLinesWriter writer(std::cout);
        const int problems = ReadAll(reader, parsed, writer);
        if (std::string problem; !writer.Finish(problem)) return Fail("standard output: " + problem);
        return problems ? 1 : 0;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

int SummaryCommand(const std::vector<std::string>& args) {
    Arguments parsed;
    if (const std::string problem = ParseArguments(args, false, parsed); !problem.empty()) return Usage(problem);
    try {
        FleetReader reader(OptionsOf(parsed), Report);
        if (std::string problem; !reader.Prepare(problem)) return Fail(problem);
        SummaryReport summary;
        const int problems = ReadAll(reader, parsed, summary);
        summary.Write(std::cout);
        std::cout.flush();
        if (!std::cout) return Fail("standard output: cannot be written");
        return problems ? 1 : 0;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
