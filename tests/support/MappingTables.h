// Test helpers for the monitor configuration: writing fixture files and reading the mapping tables
// and configuration documents back as lines of text that compare order-free and print readably.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/Markup.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"

// Writes `text` (UTF-8) to `dir`/`relative`, creating the folders on the way.
inline void WriteTextFile(const std::filesystem::path& dir, const std::string& relative, const std::string& text) {
    const std::filesystem::path path = dir / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadTextFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One line per table entry:
//   "op <kind> type <n>", "op <kind> v1 <text>=<code>", "op <kind> v2 <text>=<code>"
//   "rev <type> <kind>", "rev <type> n1 <code>=<text>", "rev <type> n2 <code>=<text>"
//   "req <key>=<description>"
// Reverse-table lines are left out unless `withReverse`.
inline std::vector<std::string> MappingLines(CMonitorControl& monitor, bool withReverse = true) {
    std::vector<std::string> lines;
    auto text = [](const CString& s) { return WideToNarrow(s); };
    for (const auto& [kind, code] : MonitorTestAccess::m_mapOperationByName(monitor)) {
        lines.push_back("op " + text(kind) + " type " + std::to_string(code.nType));
        for (const auto& [value, n] : code.mapValue1)
            lines.push_back("op " + text(kind) + " v1 " + text(value) + "=" + std::to_string(n));
        for (const auto& [value, n] : code.mapValue2)
            lines.push_back("op " + text(kind) + " v2 " + text(value) + "=" + std::to_string(n));
    }
    if (withReverse) {
        for (const auto& [type, name] : MonitorTestAccess::m_mapOperationByType(monitor)) {
            const std::string head = "rev " + std::to_string(type);
            lines.push_back(head + " " + text(name.strKindName));
            for (const auto& [n, value] : name.mapName1)
                lines.push_back(head + " n1 " + std::to_string(n) + "=" + text(value));
            for (const auto& [n, value] : name.mapName2)
                lines.push_back(head + " n2 " + std::to_string(n) + "=" + text(value));
        }
    }
    for (const auto& [key, description] : MonitorTestAccess::m_mapRequestMapping(monitor))
        lines.push_back("req " + text(key) + "=" + text(description));
    return lines;
}

// The tables an offline monitor loads from the current executable directory.
inline std::vector<std::string> LoadedMappingLines(bool withReverse = true) {
    CMonitorControl monitor(true);
    return MappingLines(monitor, withReverse);
}

// The element tree under the main position's siblings, one line per element: indentation, tag
// name and text. Compares documents by content, whatever their layout on disk.
inline void AppendElementLines(CMarkup& xml, std::vector<std::string>& lines, const std::string& indent = "") {
    while (xml.FindElem()) {
        lines.push_back(indent + WideToNarrow(xml.GetTagName()) + " [" + WideToNarrow(xml.GetData()) + "]");
        xml.IntoElem();
        AppendElementLines(xml, lines, indent + "  ");
        xml.OutOfElem();
    }
}

// The element lines of a whole XML file (empty when it cannot be loaded).
inline std::vector<std::string> DocumentLines(const std::filesystem::path& path) {
    CMarkup xml;
    std::vector<std::string> lines;
    if (xml.Load(CString(NarrowToWide(path.string())))) AppendElementLines(xml, lines);
    return lines;
}
