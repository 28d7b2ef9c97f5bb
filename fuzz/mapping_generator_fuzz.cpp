// Fuzz target of the mapping generator: the input is cut at each line "#@@" into the host's
// files (workspaces, menu bar, toolbar, dialogs, tabs, the three command headers, the request
// header, in this order), written into a scratch host installation, and the configuration file
// is generated from them. The generator must not fault, and an offline monitor must load the
// generated file with the fixed kinds and their type codes, every value code of a described kind
// a running number from 1, and one type code per kind.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "fuzz/MonitorAccess.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"

namespace {

const char* const kFiles[] = {
    "configuration.xml",   "menu.xml",          "toolbar.xml",        "dialog.xml",     "tab.xml",
    "CmdMgrLogicDefine.h", "LogicHandlerFun.h", "LogicHandlerFun2.h", "ClientRequest.h"};

const std::filesystem::path& ScratchHost() {
    static const std::filesystem::path dir = [] {
        auto path = FuzzScratchDir("mapping_generator_fuzz");
        std::filesystem::create_directories(path / "Config");
        SetExecutableDirOverride(NarrowToWide(path.string()));
        return path;
    }();
    return dir;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The host files as the previous input left them (nullopt: missing). Inputs that share a file
// (most mutations change one) leave it as it is: only what differs is written or removed.
std::optional<std::string> g_written[std::size(kFiles)];

void PutFile(size_t index, std::optional<std::string> bytes) {
    if (g_written[index] == bytes) return;
    const std::filesystem::path path = ScratchHost() / kFiles[index];
    if (bytes) {
        WriteFile(path, *bytes);
    } else {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    g_written[index] = std::move(bytes);
}

}  // namespace

// Under AddressSanitizer the stacks of allocations and frees kept for a report are cut at 10
// frames (30 by default). Every call path of the generator is shallower than that, and taking
// the 30-frame stack of each of the many small allocations of its documents was a sixth of the
// time of an input. An ASAN_OPTIONS of the caller still decides.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=10";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path& dir = ScratchHost();
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (size_t index = 0; index < std::size(kFiles); ++index) {
        if (start > input.size()) {  // this file and the next ones are missing
            PutFile(index, std::nullopt);
            continue;
        }
        size_t end = input.find("\n#@@\n", start);
        if (end == std::string::npos) end = input.size();
        PutFile(index, input.substr(start, end - start));
        start = end + 5;
    }
    WriteFile(dir / "Config" / "MonitorConfig.xml", "<MonitorConfig/>\n");

    // One offline monitor for every input: it generates the file, then loads it into tables
    // emptied first, as a new monitor would.
    static CMonitorControl monitor(true);
    monitor.CreateOperationMapping();
    MonitorTestAccess::Reload(monitor);
    const auto& byName = MonitorTestAccess::ByName(monitor);
    const auto& byType = MonitorTestAccess::ByType(monitor);
    const wchar_t* const kKinds[] = {L"WorkspaceChanged", L"MenuCommand",   L"ToolbarCommand", L"DialogShow",
                                     L"TabWndActive",     L"PopupMenuOpen", L"PopupMenuClose"};
    for (int type = 0; type < 7; ++type) {
        auto kind = byName.find(kKinds[type]);
        if (kind == byName.end() || kind->second.nType != type) std::abort();
        for (const auto& [text, code] : kind->second.mapValue1)
            if (code < 1) std::abort();
        if (!kind->second.mapValue2.empty()) std::abort();
    }
    auto commands = byName.find(L"PostExecute");
    if (commands != byName.end()) {
        if (commands->second.nType != 7) std::abort();
        for (const auto& values : {commands->second.mapValue1, commands->second.mapValue2})
            for (const auto& [text, code] : values)
                if (code < 1) std::abort();
    }
    if (byType.size() != byName.size()) std::abort();
    return 0;
}
