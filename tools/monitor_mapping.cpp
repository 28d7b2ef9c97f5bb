// monitor-mapping: regenerates a host installation's monitor configuration file
// (HOSTDIR/Config/MonitorConfig.xml) from its UI description files and command and request
// headers.
//
// Exit codes: 0 done, 1 the host folder cannot be used, 2 bad usage.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "host/Markup.h"
#include "platform/File.h"
#include "platform/System.h"
#include "shell/MonitorControl.h"
#include "tools/ProgramMain.h"
#include "tools/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
    std::cerr << "monitor-mapping: " << message << "\n";
    return 1;
}

// Why `config` could not be replaced by a new file, or "" when it can: its folder must take a
// new file (tried with a new name of its own, removed at once) and the file must not be marked
// read-only.
std::string ReplaceProblem(const fs::path& config) {
    std::error_code ec;
    const fs::perms perms = fs::status(config, ec).permissions();
    if (!ec && (perms & fs::perms::owner_write) == fs::perms::none) return "the file is read-only";
    const CString probe = WidePath(config) + CString(L".tmp" + std::to_wstring(std::random_device{}()) + L"~");
    CFile file;
    if (!file.Open(probe, CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite | CFile::shareExclusive))
        return "the folder takes no new file";
    file.Close();
    try {
        CFile::Remove(probe);
    } catch (const CFileException&) {
    }
    return "";
}

// Whether `config` holds a monitor configuration document (root element "MonitorConfig"), and,
// when `generated`, its operation table.
bool IsMonitorConfig(const fs::path& config, bool generated) {
    CMarkup xml;
    if (!xml.Load(WidePath(config)) || !xml.FindElem(L"MonitorConfig")) return false;
    return !generated || (xml.IntoElem() && xml.FindElem(L"OperationMapping"));
}

int Regenerate(const fs::path& hostDir) {
    std::error_code ec;
    const fs::file_status status = fs::status(hostDir, ec);
    if (status.type() == fs::file_type::not_found) return Fail(Utf8(hostDir) + ": no such directory");
    if (ec) return Fail(Utf8(hostDir) + ": cannot be read (" + ec.message() + ")");
    if (!fs::is_directory(status)) return Fail(Utf8(hostDir) + ": not a directory");
    fs::directory_iterator(hostDir, ec);
    if (ec) return Fail(Utf8(hostDir) + ": cannot be read (" + ec.message() + ")");

    const fs::path config = hostDir / "Config" / "MonitorConfig.xml";
    if (!fs::exists(config)) {
        // The generator rebuilds the sections of an existing file; start one with its root.
        fs::create_directories(config.parent_path(), ec);
        std::ofstream out(config, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MonitorConfig/>\n";
        if (!out) return Fail(Utf8(config) + ": cannot be created");
    } else if (!IsMonitorConfig(config, false)) {
        // The generator would leave such a file as it is; say so instead of claiming success.
        return Fail(Utf8(config) + ": not a monitor configuration file; left as it is");
    }
    // The new document is saved into a new file put in the old one's place: see first that the
    // folder takes a new file and that the file may be replaced, so that a run that cannot save
    // says so instead of claiming success.
    if (const std::string problem = ReplaceProblem(config); !problem.empty())
        return Fail(Utf8(config) + ": could not be replaced (" + problem + "); left as it is");
    // The monitor starts in an empty private folder, so that its start-up sweep of leftovers
    // never touches the host's data folder (a running terminal may own those files); the
    // generator then reads and writes the host folder, which it looks up at each call.
    {
        ScratchFolder scratch;
        SetExecutableDirOverride(WidePath(scratch.Path()));
        CMonitorControl monitor(true);
        SetExecutableDirOverride(WidePath(hostDir));
        monitor.CreateOperationMapping();
    }
    SetExecutableDirOverride(CString());
    if (!IsMonitorConfig(config, true)) return Fail(Utf8(config) + ": could not be written");
    std::cout << Utf8(config) << ": regenerated\n";
    return 0;
}

}  // namespace

int ProgramMain(const std::vector<std::string>& args) {
    const char* usage =
        "usage: monitor-mapping HOSTDIR\n"
        "Regenerates HOSTDIR/Config/MonitorConfig.xml from HOSTDIR's configuration.xml, menu.xml,\n"
        "toolbar.xml, dialog.xml, tab.xml, command headers and ClientRequest.h.\n";
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << usage;
        return 0;
    }
    if (args.size() != 1 || args[0].rfind("-", 0) == 0) {
        std::cerr << "monitor-mapping: " << (args.size() == 1 ? "unknown option " + args[0] : "one HOSTDIR expected")
                  << " (monitor-mapping --help shows the usage)\n";
        return 2;
    }
    try {
        return Regenerate(fs::absolute(PathFromUtf8(args[0])));
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
