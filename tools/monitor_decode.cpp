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

#include "host/Markup.h"
#include "platform/File.h"
#include "platform/System.h"
#include "shell/MonitorControl.h"
#include "store/Container.h"
#include "tools/ProgramMain.h"
#include "tools/ScratchFolder.h"
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

// An offline monitor whose executable directory is `hostDir` (for its monitor configuration).
// Its start sweeps leftovers of interrupted writes from that folder's Data/MONDAT: it is only
// ever given a private scratch folder, never a host's own folder, which a running terminal may
// be writing.
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

// A scratch folder holding a copy of HOSTDIR's monitor configuration (when it has one), for an
// offline monitor that names the operation log's codes.
void CopyConfiguration(const fs::path& hostDir, const ScratchFolder& scratch) {
    const fs::path config = hostDir / "Config" / "MonitorConfig.xml";
    if (!fs::is_regular_file(config)) return;
    fs::create_directories(scratch.Path() / "Config");
    fs::copy_file(config, scratch.Path() / "Config" / "MonitorConfig.xml");
}

// A file error as words.
std::string CauseText(const CFileException& e) {
    switch (e.m_cause) {
        case CFileException::accessDenied:
            return "permission denied";
        case CFileException::fileNotFound:
        case CFileException::badPath:
            return "no such folder";
        case CFileException::diskFull:
            return "the disk is full";
        case CFileException::sharingViolation:
        case CFileException::lockViolation:
            return "in use by another program";
        default:
            return "error " + std::to_string(e.m_lOsError);
    }
}

// Writes `bytes` in the place of `file`: into a new file beside it (created here, never an
// existing name or link), put in its place in one rename. False, with `file` unchanged and no
// file left behind, when that cannot be done.
bool ReplaceContent(const fs::path& file, const std::string& bytes, std::string& problem) {
    // A random name: nobody can have planted anything under it beforehand, and modeCreateNew
    // refuses it if someone did.
    std::random_device random;
    const CString temp = WidePath(file) + CString(L".tmp" + std::to_wstring(random()) + L"~");
    CFile out;
    CFileException error;
    if (!out.Open(temp, CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite | CFile::shareExclusive, &error)) {
        problem = "cannot write beside it (" + CauseText(error) + ")";
        return false;
    }
    try {
        out.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        out.Flush();
        out.MoveOver(WidePath(file));
        out.Close();
        return true;
    } catch (const CFileException& e) {
        out.Abort();
        try {
            CFile::Remove(temp);
        } catch (const CFileException&) {
        }
        problem = "cannot be replaced (" + CauseText(e) + "); left as it is";
        return false;
    }
}

int Unscramble(const fs::path& file) {
    std::string bytes;
    if (const std::string problem = FileProblem(file); !problem.empty()) return Fail(Utf8(file) + ": " + problem);
    if (!ReadAll(file, bytes)) return Fail(Utf8(file) + ": cannot be read");
    const ContainerShape shape = ContainerShapeOf(bytes.data(), bytes.size());
    if (shape == ContainerShape::plain) return Fail(Utf8(file) + ": not a scrambled container");
    if (shape == ContainerShape::damaged)
        return Fail(Utf8(file) + ": damaged container (its size or length field is wrong)");
    std::string plain;
    if (!UnscrambleBytes(bytes.data(), bytes.size(), plain))
        return Fail(Utf8(file) + ": the container could not be unscrambled");
    std::string problem;
    if (!ReplaceContent(file, plain, problem)) return Fail(Utf8(file) + ": " + problem);
    std::cout << Utf8(file) << ": unscrambled\n";
    return 0;
}

// The number of decoded records in an operation log's XML copy.
int CountDecoded(const fs::path& copy) {
    CMarkup xml;
    if (!xml.Load(WidePath(copy)) || !xml.FindElem(L"ROOT") || !xml.IntoElem()) return -1;
    int count = 0;
    while (xml.FindElem()) ++count;
    return count;
}

int DecodeLog(const fs::path& file, const fs::path& hostDir) {
    if (const std::string problem = FileProblem(file); !problem.empty()) return Fail(Utf8(file) + ": " + problem);
    if (const std::string problem = DirectoryProblem(hostDir); !problem.empty())
        return Fail(Utf8(hostDir) + ": " + problem);
    if (!fs::is_regular_file(hostDir / "Config" / "MonitorConfig.xml"))
        return Fail(Utf8(hostDir / "Config" / "MonitorConfig.xml") + ": no monitor configuration");
    std::string bytes;
    if (!ReadAll(file, bytes)) return Fail(Utf8(file) + ": cannot read the file");
    const ContainerShape shape = ContainerShapeOf(bytes.data(), bytes.size());
    if (shape == ContainerShape::container) return Fail(Utf8(file) + ": scrambled; unscramble it first");
    if (shape == ContainerShape::damaged) return Fail(Utf8(file) + ": damaged container, not an operation log");
    const fs::path copy = PathFromUtf8(Utf8(file) + ".xml");
    // The copy is written in place of the path, never through a link someone put there.
    if (fs::is_symlink(fs::symlink_status(copy))) return Fail(Utf8(copy) + ": a link; not written through");
    ScratchFolder scratch;
    CopyConfiguration(hostDir, scratch);
    OfflineMonitor offline(scratch.Path());
    if (!offline.monitor->DecryptMonitor(1, WidePath(fs::absolute(file)))) {
        if (!ReadAll(file, bytes)) return Fail(Utf8(file) + ": cannot open the operation log");
        return Fail(Utf8(copy) + ": cannot be written");
    }
    const int written = CountDecoded(copy);
    if (written < 0) return Fail(Utf8(copy) + ": cannot be read back");
    std::cout << Utf8(copy) << ": " << written << " records decoded";
    const std::size_t records = bytes.size() / sizeof(OperationRecord);
    if (static_cast<std::size_t>(written) != records)
        std::cout << " (" << records - static_cast<std::size_t>(written)
                  << " of a type the configuration does not name)";
    std::cout << "\n";
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

    // Operation logs are decoded from copies in a private scratch folder: the host's files stay
    // as they are, and nothing there is swept or written.
    ScratchFolder scratch;
    CopyConfiguration(hostDir, scratch);

    // Links are listed, not followed: the data folder holds the monitor's own files only.
    std::vector<std::pair<std::string, bool>> names;  // name, is a link
    try {
        for (const auto& entry : fs::directory_iterator(dataDir)) {
            if (entry.is_symlink())
                names.emplace_back(Utf8(entry.path().filename()), true);
            else if (entry.is_regular_file())
                names.emplace_back(Utf8(entry.path().filename()), false);
        }
    } catch (const fs::filesystem_error&) {
        return Fail(Utf8(dataDir) + ": cannot list the directory");
    }
    std::sort(names.begin(), names.end());

    int failed = 0;
    OfflineMonitor offline(scratch.Path());
    for (const auto& [name, isLink] : names) {
        if (isLink) {
            std::cout << "== " << name << ": a link, not followed ==\n\n";
            continue;
        }
        std::string bytes;
        if (!ReadAll(dataDir / PathFromUtf8(name), bytes)) {
            std::cout << "== " << name << ": cannot be read ==\n\n";
            ++failed;
            continue;
        }
        const std::string kind = Describe(name);
        std::cout << "== " << name << ": " << kind << ", " << bytes.size() << " bytes";
        if (kind == "operation log" || kind == "statistics" || kind == "system information") {
            const ContainerShape shape = ContainerShapeOf(bytes.data(), bytes.size());
            if (shape == ContainerShape::damaged) {
                std::cout << ", damaged container (its size or length field is wrong) ==\n\n";
                ++failed;
                continue;
            }
            std::string plain;
            if (shape == ContainerShape::container && !UnscrambleBytes(bytes.data(), bytes.size(), plain)) {
                std::cout << ", scrambled and not decodable ==\n\n";
                ++failed;
                continue;
            }
            if (shape == ContainerShape::plain) plain = std::move(bytes);
            std::cout << (shape == ContainerShape::container ? ", scrambled" : "") << " ==\n";
            if (kind == "operation log") {
                std::cout << plain.size() / sizeof(OperationRecord) << " records\n";
                const fs::path copy = scratch.Path() / PathFromUtf8(name);
                std::ofstream(copy, std::ios::binary) << plain;
                if (!offline.monitor->DecryptMonitor(1, WidePath(copy)) ||
                    !ReadAll(PathFromUtf8(Utf8(copy) + ".xml"), plain)) {
                    std::cout << "(the records could not be decoded)\n\n";
                    ++failed;
                    continue;
                }
            }
            std::cout << AsText(plain) << (plain.empty() || plain.back() == '\n' ? "" : "\n") << "\n";
        } else if (kind == "decoded copy") {
            std::cout << " ==\n" << AsText(bytes) << (bytes.empty() || bytes.back() == '\n' ? "" : "\n") << "\n";
        } else {
            std::cout << " ==\n\n";
        }
    }
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
