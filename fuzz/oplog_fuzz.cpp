// Fuzz target of the operation-log decoder (DecryptMonitor with kind 1): arbitrary bytes are
// written as a log file in a scratch folder and decoded with a fixed mapping table. The decoder
// must not fault, must write its XML copy, and the copy must hold one element per whole record
// whose type the table knows, each with a "time" child and the value names the table gives.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "host/Markup.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"

// The monitor's friend for private access; this program links no test support, so the name is
// free here.
struct MonitorTestAccess {
    static std::map<std::int32_t, OperationName>& Types(CMonitorControl& m) { return m.m_mapOperationByType; }
};

namespace {

std::int32_t ReadInt32(const uint8_t* bytes) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
        (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24));
}

CMonitorControl& Decoder() {
    static CMonitorControl* monitor = [] {
        auto* m = new CMonitorControl(true);
        auto& types = MonitorTestAccess::Types(*m);
        types.clear();
        OperationName menu;
        menu.strKindName = L"MenuCommand";
        menu.mapName1 = {{0, L"0"}, {1, L"||系统|连接"}, {-1, L"?"}, {INT32_MIN, L"min"}};
        menu.mapName2 = {{0, L"0"}};
        types[1] = menu;
        OperationName tab;
        tab.strKindName = L"TabWndActive";
        tab.mapName1 = {{7, L"a&b<c>"}};
        types[6] = tab;
        OperationName odd;
        odd.strKindName = L"Odd Name|x";
        odd.mapName2 = {{INT32_MAX, L"max"}};
        types[-1] = odd;
        return m;
    }();
    return *monitor;
}

const std::filesystem::path& ScratchLog() {
    static const std::filesystem::path path = [] { return FuzzScratchDir("oplog_fuzz") / "DATA6000"; }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMonitorControl& monitor = Decoder();
    const auto& types = MonitorTestAccess::Types(monitor);
    {
        std::ofstream out(ScratchLog(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const CString path = NarrowToWide(ScratchLog().string());
    std::filesystem::remove(ScratchLog().string() + ".xml");
    if (!monitor.DecryptMonitor(1, path)) std::abort();

    CMarkup xml;
    if (!xml.Load(path + L".xml")) std::abort();
    if (!xml.FindElem(L"ROOT")) std::abort();
    xml.IntoElem();
    for (size_t at = 0; at + 16 <= size; at += 16) {
        auto kind = types.find(ReadInt32(data + at + 4));
        if (kind == types.end()) continue;
        if (!xml.FindElem() || xml.GetTagName() != kind->second.strKindName) std::abort();
        xml.IntoElem();
        if (!xml.FindElem(L"time")) std::abort();
        auto name1 = kind->second.mapName1.find(ReadInt32(data + at + 8));
        if (name1 != kind->second.mapName1.end() && (!xml.FindElem(L"value1") || xml.GetData() != name1->second))
            std::abort();
        auto name2 = kind->second.mapName2.find(ReadInt32(data + at + 12));
        if (name2 != kind->second.mapName2.end() && (!xml.FindElem(L"value2") || xml.GetData() != name2->second))
            std::abort();
        xml.OutOfElem();
    }
    if (xml.FindElem()) std::abort();
    return 0;
}
