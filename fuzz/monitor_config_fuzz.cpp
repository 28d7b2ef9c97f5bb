// Fuzz target of the monitor configuration loader: arbitrary bytes become the configuration file
// of a scratch host installation, and an offline monitor loads it. Whatever the file holds, the
// loader must not fault, and the tables it builds must agree: every kind of the operation table
// has its type code in the reverse table, every reverse entry names a kind of the operation
// table, and each value code that the reverse table names comes from that kind's value lists.
// Seeds: fuzz/corpus/monitor_config/.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "fuzz/MonitorAccess.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"

namespace {

const std::filesystem::path& ScratchHost() {
    static const std::filesystem::path dir = [] {
        auto path = FuzzScratchDir("monitor_config_fuzz");
        std::filesystem::create_directories(path / "Config");
        SetExecutableDirOverride(NarrowToWide(path.string()));
        return path;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(ScratchHost() / "Config" / "MonitorConfig.xml", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CMonitorControl monitor(true);
    const auto& byName = MonitorTestAccess::ByName(monitor);
    const auto& byType = MonitorTestAccess::ByType(monitor);
    for (const auto& [name, code] : byName)
        if (!byType.count(code.nType)) std::abort();
    for (const auto& [type, names] : byType) {
        auto kind = byName.find(names.strKindName);
        if (kind == byName.end()) std::abort();
        // The first element of this name is then the first of this type too: each text that
        // the reverse table names is a value text of the operation table.
        if (kind->second.nType != type) continue;
        for (const auto& [value, text] : names.mapName1)
            if (!kind->second.mapValue1.count(text)) std::abort();
        for (const auto& [value, text] : names.mapName2)
            if (!kind->second.mapValue2.count(text)) std::abort();
    }
    return 0;
}
