#include "tools/export/OperationNames.h"

#include <atomic>

#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"
#include "tools/ProgramMain.h"
#include "tools/ScratchFolder.h"

namespace fs = std::filesystem;

bool LoadOperationNames(const fs::path& configFile, OperationNameTable& table, std::string& problem) {
    static std::atomic<std::uint64_t> serials{0};
    table = OperationNameTable();
    std::error_code ec;
    if (!fs::is_regular_file(configFile, ec)) {
        problem = fs::exists(configFile, ec) ? "not a regular file" : "no such file";
        return false;
    }
    try {
        ScratchFolder scratch;
        fs::create_directories(scratch.Path() / "Config", ec);
        if (ec || !fs::copy_file(configFile, scratch.Path() / "Config" / "MonitorConfig.xml", ec) || ec) {
            problem = "cannot be read (" + ec.message() + ")";
            return false;
        }
        SetExecutableDirOverride(WidePath(scratch.Path()));
        {
            const CMonitorControl offline(true);
            for (const auto& [type, names] : offline.OperationNames()) {
                OperationKindNames& kind = table.kinds[type];
                kind.name = WideToNarrow(names.strKindName);
                for (const auto& [code, text] : names.mapName1) kind.value1.emplace(code, WideToNarrow(text));
                for (const auto& [code, text] : names.mapName2) kind.value2.emplace(code, WideToNarrow(text));
            }
        }
        SetExecutableDirOverride(CString());
    } catch (const std::exception& e) {
        SetExecutableDirOverride(CString());
        problem = e.what();
        return false;
    }
    if (table.kinds.empty()) {
        problem = "names no operation (not a monitor configuration)";
        return false;
    }
    table.serial = ++serials;
    return true;
}
