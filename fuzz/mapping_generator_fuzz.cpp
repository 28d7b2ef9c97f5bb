// Fuzz target of the mapping generator: the input is cut at each line "#@@" into the host's
// files (workspaces, menu bar, toolbar, dialogs, tabs, the three command headers, the request
// header, in this order; a part the input does not reach is a missing file). The generator
// builds the configuration document from them, handed over in memory: a description file is
// decoded as a load decodes a file, a header is cut into lines as a text file is read. The
// document is saved as the generator saves it, and an offline monitor must load the saved file
// with the fixed kinds and their type codes, every value code of a described kind a running
// number from 1, and one type code per kind.
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "fuzz/MonitorAccess.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"

namespace {

const wchar_t* const kFiles[] = {
    L"configuration.xml",   L"menu.xml",          L"toolbar.xml",        L"dialog.xml",     L"tab.xml",
    L"CmdMgrLogicDefine.h", L"LogicHandlerFun.h", L"LogicHandlerFun2.h", L"ClientRequest.h"};

const std::filesystem::path& ScratchHost() {
    static const std::filesystem::path dir = [] {
        auto path = FuzzScratchDir("mapping_generator_fuzz");
        std::filesystem::create_directories(path / "Config");
        SetExecutableDirOverride(NarrowToWide(path.string()));
        return path;
    }();
    return dir;
}

// The host's files as parts of the input.
class InputFiles : public HostFiles {
public:
    explicit InputFiles(std::string_view input) {
        size_t start = 0;
        for (auto& part : m_parts) {
            if (start > input.size()) break;  // this file and the next ones are missing
            size_t end = input.find("\n#@@\n", start);
            if (end == std::string_view::npos) end = input.size();
            part = input.substr(start, end - start);
            start = end + 5;
        }
    }

    void LoadDescription(const wchar_t* name, CMarkup& doc) override {
        const std::optional<std::string_view> bytes = Find(name);
        const std::wstring text = bytes ? DecodeText(std::string(*bytes)) : std::wstring();
        doc.SetDoc(text.c_str());
    }

    // Lines without their '\n', a '\r' before it dropped, no empty line after the last '\n'.
    bool ReadHeader(const wchar_t* name, std::vector<CString>& lines) override {
        const std::optional<std::string_view> bytes = Find(name);
        if (!bytes) return false;
        const std::wstring text = DecodeText(std::string(*bytes));
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find(L'\n', start);
            if (end == std::wstring::npos) end = text.size();
            std::wstring line = text.substr(start, end - start);
            if (!line.empty() && line.back() == L'\r') line.pop_back();
            lines.emplace_back(std::move(line));
            start = end + 1;
        }
        return true;
    }

private:
    std::optional<std::string_view> Find(const wchar_t* name) const {
        for (size_t i = 0; i < std::size(kFiles); ++i)
            if (std::wcscmp(kFiles[i], name) == 0) return m_parts[i];
        std::abort();  // the generator asked for a file it does not read
    }

    std::optional<std::string_view> m_parts[std::size(kFiles)];
};

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
    InputFiles files(std::string_view(reinterpret_cast<const char*>(data), size));

    // One offline monitor for every input: it builds the document from an empty configuration,
    // as the generator does after loading the file, saves it, then loads the file into tables
    // emptied first, as a new monitor would.
    static CMonitorControl monitor(true);
    CMarkup xml;
    if (!xml.SetDoc(L"<MonitorConfig/>") || !xml.FindElem(L"MonitorConfig") || !xml.IntoElem()) std::abort();
    MonitorTestAccess::Build(monitor, xml, files);
    if (!xml.Save(CString(NarrowToWide((dir / "Config" / "MonitorConfig.xml").string())))) std::abort();
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
