// Fuzz target of the configuration loader on files in the host's own style: the host writes its
// monitor configuration with element names as they are, unescaped ("<||File|Save As ...>3</||File|
// Save As ...>"). Each line of the input (UTF-8) that the host's style can hold (see Holdable) is a
// menu item name; the target writes the file as the host does, one value element per name with
// its running number, and an offline monitor loads it. Every name must come back with the number
// of its first occurrence, and no name may come back that was not written.
// Seeds: fuzz/corpus/host_config/.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "fuzz/MonitorAccess.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"

namespace {

const std::filesystem::path& ConfigPath() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path dir = FuzzScratchDir("host_config_fuzz");
        std::filesystem::create_directories(dir / "Config");
        SetExecutableDirOverride(NarrowToWide(dir.string()));
        return dir / "Config" / "MonitorConfig.xml";
    }();
    return path;
}

// A name that a file in the host's style holds unambiguously: not empty, on one line, without
// '>' (which ends the tag), not starting like other markup ('/', '!', '?') or with a blank, and not
// in the escaped form of this library's own writer ("_-..."), which the loader decodes.
bool Holdable(const std::wstring& name) {
    if (name.empty() || name.find_first_of(L">\r\n") != std::wstring::npos) return false;
    const wchar_t first = name[0];
    if (first == L'/' || first == L'!' || first == L'?' || first == L' ' || first == L'\t') return false;
    return name.compare(0, 2, L"_-") != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring input = NarrowToWide(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::wstring> names;
    for (size_t start = 0; start <= input.size() && names.size() < 64;) {
        size_t end = input.find(L'\n', start);
        if (end == std::wstring::npos) end = input.size();
        std::wstring name = input.substr(start, end - start);
        if (Holdable(name)) names.push_back(std::move(name));
        start = end + 1;
    }

    std::wstring text =
        L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<MonitorConfig>\r\n<OperationMapping>\r\n"
        L"<MenuCommand>\r\n<type>1</type>\r\n<value1>\r\n";
    std::map<std::wstring, std::int32_t> expected;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::wstring number = std::to_wstring(i + 1);
        text += L"<" + names[i] + L">" + number + L"</" + names[i] + L">\r\n";
        expected.try_emplace(names[i], static_cast<std::int32_t>(i + 1));
    }
    text += L"</value1>\r\n<value2>0</value2>\r\n</MenuCommand>\r\n</OperationMapping>\r\n</MonitorConfig>\r\n";
    {
        const std::string bytes = WideToNarrow(text);
        std::ofstream out(ConfigPath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static CMonitorControl monitor(true);
    MonitorTestAccess::Reload(monitor);
    const auto& byName = MonitorTestAccess::ByName(monitor);
    auto kind = byName.find(L"MenuCommand");
    if (kind == byName.end() || kind->second.nType != 1) std::abort();
    const auto& values = kind->second.mapValue1;
    for (const auto& [name, code] : expected) {
        auto found = values.find(CString(name));
        if (found == values.end() || found->second != code) std::abort();
    }
    if (values.size() != expected.size()) std::abort();
    return 0;
}
