// Writes a small monitor configuration file (Config\MonitorConfig.xml) into a scratch host, so
// that a monitor constructed there loads the operation table the test needs.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "host/Markup.h"
#include "platform/TextConv.h"

struct ConfigKind {
    std::wstring name;
    int type;
    std::vector<std::pair<std::wstring, int>> value1;
    std::vector<std::pair<std::wstring, int>> value2;
};

inline bool WriteMonitorConfig(const std::filesystem::path& hostDir, const std::vector<ConfigKind>& kinds) {
    std::filesystem::create_directories(hostDir / "Config");
    CMarkup doc;
    doc.AddElem(L"MonitorConfig");
    doc.IntoElem();
    doc.AddElem(L"OperationMapping");
    doc.IntoElem();
    for (const ConfigKind& kind : kinds) {
        doc.AddElem(kind.name.c_str());
        doc.IntoElem();
        doc.AddElem(L"type", kind.type);
        for (const auto* list : {&kind.value1, &kind.value2}) {
            doc.AddElem(list == &kind.value1 ? L"value1" : L"value2", list->empty() ? L"0" : nullptr);
            doc.IntoElem();
            for (const auto& [text, code] : *list) doc.AddElem(text.c_str(), code);
            doc.OutOfElem();
        }
        doc.OutOfElem();
    }
    doc.OutOfElem();
    doc.AddElem(L"RequestMapping");
    doc.OutOfElem();
    return doc.Save(NarrowToWide((hostDir / "Config" / "MonitorConfig.xml").string()));
}
