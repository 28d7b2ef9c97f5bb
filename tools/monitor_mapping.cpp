// monitor-mapping: regenerates a host installation's monitor configuration file
// (HOSTDIR/Config/MonitorConfig.xml) from its UI description files and command and request
// headers.
//
// Exit codes: 0 done, 1 the host folder cannot be used, 2 bad usage.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"

namespace fs = std::filesystem;

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
                  << (argc == 2 ? "unknown option " + std::string(argv[1]) : "one HOSTDIR expected") << "\n"
                  << usage;
        return 2;
    }
    const fs::path hostDir = fs::absolute(argv[1]);
    if (!fs::is_directory(hostDir)) {
        std::cerr << "monitor-mapping: " << argv[1] << ": not a directory\n";
        return 1;
    }
    const fs::path config = hostDir / "Config" / "MonitorConfig.xml";
    std::error_code ec;
    if (!fs::exists(config)) {
        // The generator rebuilds the sections of an existing file; start one with its root.
        fs::create_directories(config.parent_path(), ec);
        std::ofstream out(config, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MonitorConfig/>\n";
        if (!out) {
            std::cerr << "monitor-mapping: " << config.string() << ": cannot be created\n";
            return 1;
        }
    }
    SetExecutableDirOverride(CString(NarrowToWide(hostDir.string())));
    {
        CMonitorControl monitor(true);
        monitor.CreateOperationMapping();
    }
    SetExecutableDirOverride(CString());
    std::cout << config.string() << ": regenerated\n";
    return 0;
}
