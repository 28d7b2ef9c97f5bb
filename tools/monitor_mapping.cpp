// monitor-mapping: regenerates a host installation's monitor configuration file
// (HOSTDIR/Config/MonitorConfig.xml) from its UI description files and command and request
// headers.
//
// Exit codes: 0 done, 1 the host folder cannot be used, 2 bad usage.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "host/Markup.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
    std::cerr << "monitor-mapping: " << message << "\n";
    return 1;
}

// Whether `config` holds a monitor configuration document (root element "MonitorConfig"), and,
// when `generated`, its operation table.
bool IsMonitorConfig(const fs::path& config, bool generated) {
    CMarkup xml;
    if (!xml.Load(CString(NarrowToWide(config.string()))) || !xml.FindElem(L"MonitorConfig")) return false;
    return !generated || (xml.IntoElem() && xml.FindElem(L"OperationMapping"));
}

int Regenerate(const fs::path& hostDir) {
    std::error_code ec;
    const fs::file_status status = fs::status(hostDir, ec);
    if (status.type() == fs::file_type::not_found) return Fail(hostDir.string() + ": no such directory");
    if (ec) return Fail(hostDir.string() + ": cannot be read (" + ec.message() + ")");
    if (!fs::is_directory(status)) return Fail(hostDir.string() + ": not a directory");
    fs::directory_iterator(hostDir, ec);
    if (ec) return Fail(hostDir.string() + ": cannot be read (" + ec.message() + ")");

    const fs::path config = hostDir / "Config" / "MonitorConfig.xml";
    if (!fs::exists(config)) {
        // The generator rebuilds the sections of an existing file; start one with its root.
        fs::create_directories(config.parent_path(), ec);
        std::ofstream out(config, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MonitorConfig/>\n";
        if (!out) return Fail(config.string() + ": cannot be created");
    } else if (!IsMonitorConfig(config, false)) {
        // The generator would leave such a file as it is; say so instead of claiming success.
        return Fail(config.string() + ": not a monitor configuration file; left as it is");
    }
    SetExecutableDirOverride(CString(NarrowToWide(hostDir.string())));
    {
        CMonitorControl monitor(true);
        monitor.CreateOperationMapping();
    }
    SetExecutableDirOverride(CString());
    if (!IsMonitorConfig(config, true)) return Fail(config.string() + ": could not be written");
    std::cout << config.string() << ": regenerated\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* usage =
        "usage: monitor-mapping HOSTDIR\n"
        "Regenerates HOSTDIR/Config/MonitorConfig.xml from HOSTDIR's configuration.xml, menu.xml,\n"
        "toolbar.xml, dialog.xml, tab.xml, command headers and ClientRequest.h.\n";
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << usage;
        return 0;
    }
    if (argc != 2 || std::string(argv[1]).rfind("-", 0) == 0) {
        std::cerr << "monitor-mapping: "
                  << (argc == 2 ? "unknown option " + std::string(argv[1]) : "one HOSTDIR expected")
                  << " (monitor-mapping --help shows the usage)\n";
        return 2;
    }
    try {
        return Regenerate(fs::absolute(argv[1]));
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
