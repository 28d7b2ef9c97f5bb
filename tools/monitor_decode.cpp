// monitor-decode: makes the monitor's data files readable.
//
//   monitor-decode unscramble FILE             turns a scrambled container back into its plain file, in place
//   monitor-decode oplog FILE --host HOSTDIR   writes FILE.xml: the operation log with the names of
//                                              HOSTDIR's monitor configuration
//   monitor-decode show HOSTDIR                prints the decoded content of HOSTDIR's data directory
//                                              without changing any file there
//   monitor-decode export [--config FILE] [--output FILE | --sqlite FILE] FOLDER...
//                                              writes everything in the data folders (host folders or
//                                              bare MONDAT folders) as JSON Lines, or into an SQLite
//                                              database, changing no file there (tools/export/)
//   monitor-decode summary [--config FILE] FOLDER...
//                                              prints a short report of the same data
//
// Exit codes: 0 done, 1 the input could not be decoded (export and summary: some of it, after going
// on with the rest), 2 bad usage.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/System.h"
#include "shell/MonitorControl.h"
#include "tools/ProgramMain.h"
#include "tools/export/Commands.h"

namespace fs = std::filesystem;

namespace {

// A document's text for standard output. On Windows the stream is in text mode and writes CR LF
// for every LF, so the document's own CR LF line ends are handed to it as LF: they come out once,
// as on Linux, where the bytes go out unchanged.
std::string AsText(std::string text) {
#ifdef _WIN32
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
#endif
    return text;
}

const char* kUsage =
    "usage:\n"
    "  monitor-decode unscramble FILE            turn a scrambled container back into its plain file, in place\n"
    "  monitor-decode oplog FILE --host HOSTDIR  write FILE.xml: the operation log with the names of\n"
    "                                            HOSTDIR's Config/MonitorConfig.xml\n"
    "  monitor-decode show HOSTDIR               print the decoded content of HOSTDIR/Data/MONDAT,\n"
    "                                            changing no file there\n"
    "  monitor-decode export [--config FILE] [--output FILE | --sqlite FILE] FOLDER...\n"
    "                                            write every record of the data folders (host folders or\n"
    "                                            bare MONDAT folders) as JSON Lines to standard output,\n"
    "                                            to FILE, or into the SQLite database FILE (appended to;\n"
    "                                            no file imported twice), with the names of --config or\n"
    "                                            of a host folder's Config/MonitorConfig.xml\n"
    "  monitor-decode summary [--config FILE] FOLDER...\n"
    "                                            print a short report: machines, days, operations by kind,\n"
    "                                            memory and CPU figures, log-on servers, what was not read\n"
    "exit codes: 0 done, 1 (some) input could not be decoded, 2 bad usage\n";

int Fail(const std::string& message) {
    std::cerr << "monitor-decode: " << message << "\n";
    return 1;
}

int Usage(const std::string& message) {
    std::cerr << "monitor-decode: " << message << " (monitor-decode --help shows the usage)\n";
    return 2;
}

// Why `path` cannot be read as a file, or "" when it can.
std::string FileProblem(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return "no such file";
    if (ec) return "cannot be read (" + ec.message() + ")";
    if (fs::is_directory(status)) return "a directory, not a file";
    if (!fs::is_regular_file(status)) return "not a regular file";
    if (!std::ifstream(path, std::ios::binary)) return "cannot be read";
    return "";
}

// Why `path` cannot be listed as a directory, or "" when it can.
std::string DirectoryProblem(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return "no such directory";
    if (ec) return "cannot be read (" + ec.message() + ")";
    if (!fs::is_directory(status)) return "not a directory";
    fs::directory_iterator(path, ec);
    if (ec) return "cannot be read (" + ec.message() + ")";
    return "";
}

bool ReadAll(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return true;
}

// A container: "KVRA", the plain length L, then ceil(L/8) blocks of 8 bytes.
bool IsContainer(const std::string& bytes) {
    if (bytes.size() < 8 || bytes.size() % 8 != 0 || bytes.compare(0, 4, "KVRA") != 0) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::uint64_t length = b[4] | (b[5] << 8) | (b[6] << 16) | (static_cast<std::uint64_t>(b[7]) << 24);
    return length + 8 <= bytes.size() && bytes.size() <= length + 16;
}

// An offline monitor whose executable directory is `hostDir` (for its monitor configuration).
struct OfflineMonitor {
    explicit OfflineMonitor(const fs::path& hostDir) {
        SetExecutableDirOverride(WidePath(fs::absolute(hostDir)));
        monitor = std::make_unique<CMonitorControl>(true);
    }
    ~OfflineMonitor() {
        monitor.reset();
        SetExecutableDirOverride(CString());
    }
    std::unique_ptr<CMonitorControl> monitor;
};

int Unscramble(const fs::path& file) {
    std::string bytes;
    if (const std::string problem = FileProblem(file); !problem.empty()) return Fail(Utf8(file) + ": " + problem);
    if (!ReadAll(file, bytes)) return Fail(Utf8(file) + ": cannot be read");
    if (!IsContainer(bytes)) return Fail(Utf8(file) + ": not a scrambled container");
    fs::path scratch = fs::temp_directory_path() / "monitor-decode-unscramble";
    OfflineMonitor offline(scratch);
    if (!offline.monitor->DecryptMonitor(0, WidePath(fs::absolute(file))))
        return Fail(Utf8(file) + ": the container could not be unscrambled");
    std::cout << Utf8(file) << ": unscrambled\n";
    return 0;
}

int DecodeLog(const fs::path& file, const fs::path& hostDir) {
    if (const std::string problem = FileProblem(file); !problem.empty()) return Fail(Utf8(file) + ": " + problem);
    if (const std::string problem = DirectoryProblem(hostDir); !problem.empty())
        return Fail(Utf8(hostDir) + ": " + problem);
    if (!fs::is_regular_file(hostDir / "Config" / "MonitorConfig.xml"))
        return Fail(Utf8(hostDir / "Config" / "MonitorConfig.xml") + ": no monitor configuration");
    std::string bytes;
    if (!ReadAll(file, bytes)) return Fail(Utf8(file) + ": cannot read the file");
    if (IsContainer(bytes)) return Fail(Utf8(file) + ": scrambled; unscramble it first");
    OfflineMonitor offline(hostDir);
    if (!offline.monitor->DecryptMonitor(1, WidePath(fs::absolute(file))))
        return Fail(Utf8(file) + ": cannot open the operation log");
    std::cout << Utf8(file) << ".xml: " << bytes.size() / sizeof(OperationRecord) << " records decoded\n";
    return 0;
}

std::string Describe(const std::string& name) {
    // A leftover of an interrupted write ("DATB6186$") is named after the file it was meant to
    // replace: told apart first, it is listed and never taken for that file.
    if (!name.empty() && name.back() == '$') return "interrupted container file";
    if (name.rfind("DATA", 0) == 0 && name.find('.') == std::string::npos) return "operation log";
    if (name.rfind("DATB", 0) == 0 && name.find('.') == std::string::npos) return "statistics";
    if (name == "DATC") return "system information";
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) return "decoded copy";
    return "other file";
}

int Show(const fs::path& hostDir) {
    if (const std::string problem = DirectoryProblem(hostDir); !problem.empty())
        return Fail(Utf8(hostDir) + ": " + problem);
    const fs::path dataDir = hostDir / "Data" / "MONDAT";
    if (const std::string problem = DirectoryProblem(dataDir); problem == "no such directory")
        return Fail(Utf8(dataDir) + ": no data directory (has the host run?)");
    else if (!problem.empty())
        return Fail(Utf8(dataDir) + ": " + problem);

    // Everything is decoded from copies in a scratch host folder: the host's files stay as they are.
    std::random_device random;
    const fs::path scratch = fs::temp_directory_path() / ("monitor-decode-" + std::to_string(random()));
    std::error_code ec;
    fs::create_directories(scratch / "Data" / "MONDAT", ec);
    fs::create_directories(scratch / "Config", ec);
    if (ec) return Fail(Utf8(scratch) + ": cannot create a scratch folder");
    if (fs::is_regular_file(hostDir / "Config" / "MonitorConfig.xml"))
        fs::copy_file(hostDir / "Config" / "MonitorConfig.xml", scratch / "Config" / "MonitorConfig.xml", ec);

    std::vector<std::string> names;
    try {
        for (const auto& entry : fs::directory_iterator(dataDir))
            if (entry.is_regular_file()) names.push_back(Utf8(entry.path().filename()));
    } catch (const fs::filesystem_error& e) {
        fs::remove_all(scratch, ec);
        return Fail(Utf8(dataDir) + ": cannot list the directory");
    }
    std::sort(names.begin(), names.end());

    int failed = 0;
    {
        OfflineMonitor offline(scratch);
        for (const std::string& name : names) {
            const fs::path copy = scratch / "Data" / "MONDAT" / PathFromUtf8(name);
            std::string bytes;
            if (!ReadAll(dataDir / PathFromUtf8(name), bytes)) {
                std::cout << "== " << name << ": cannot be read ==\n\n";
                ++failed;
                continue;
            }
            const std::string kind = Describe(name);
            std::cout << "== " << name << ": " << kind << ", " << bytes.size() << " bytes";
            if (kind == "operation log" || kind == "statistics" || kind == "system information") {
                std::ofstream(copy, std::ios::binary) << bytes;
                const bool scrambled = IsContainer(bytes);
                if (scrambled && !offline.monitor->DecryptMonitor(0, WidePath(copy))) {
                    std::cout << ", scrambled and not decodable ==\n\n";
                    ++failed;
                    continue;
                }
                std::cout << (scrambled ? ", scrambled" : "") << " ==\n";
                std::string plain;
                if (kind == "operation log") {
                    ReadAll(copy, plain);
                    std::cout << plain.size() / sizeof(OperationRecord) << " records\n";
                    offline.monitor->DecryptMonitor(1, WidePath(copy));
                    ReadAll(PathFromUtf8(Utf8(copy) + ".xml"), plain);
                } else {
                    ReadAll(copy, plain);
                }
                std::cout << AsText(plain) << (plain.empty() || plain.back() == '\n' ? "" : "\n") << "\n";
            } else if (kind == "decoded copy") {
                std::cout << " ==\n" << AsText(bytes) << (bytes.empty() || bytes.back() == '\n' ? "" : "\n") << "\n";
            } else {
                std::cout << " ==\n\n";
            }
        }
    }
    fs::remove_all(scratch, ec);
    // The listing says which files; standard error says that the output is incomplete.
    if (failed) return Fail(Utf8(dataDir) + ": " + std::to_string(failed) + " file(s) could not be read or decoded");
    return 0;
}

}  // namespace

int ProgramMain(const std::vector<std::string>& args) {
    if (args.empty()) return Usage("no command given");
    if (args[0] == "--help" || args[0] == "-h") {
        std::cout << kUsage;
        return 0;
    }
    // The export commands take options of their own.
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "export") return ExportCommand(rest);
    if (args[0] == "summary") return SummaryCommand(rest);
    for (const auto& arg : args)
        if (arg.rfind("-", 0) == 0 && arg != "--host") return Usage("unknown option " + arg);
    try {
        if (args[0] == "unscramble") {
            if (args.size() != 2) return Usage("unscramble takes one FILE");
            return Unscramble(PathFromUtf8(args[1]));
        }
        if (args[0] == "oplog") {
            if (args.size() != 4 || args[2] != "--host") return Usage("oplog takes FILE --host HOSTDIR");
            return DecodeLog(PathFromUtf8(args[1]), PathFromUtf8(args[3]));
        }
        if (args[0] == "show") {
            if (args.size() != 2) return Usage("show takes one HOSTDIR");
            return Show(PathFromUtf8(args[1]));
        }
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return Usage("unknown command " + args[0]);
}
