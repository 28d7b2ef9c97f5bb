// Loading of the monitor configuration file into the operation and request tables.
//
// The file "<executable dir>\Config\MonitorConfig.xml" holds two sections under "MonitorConfig":
//   OperationMapping > <kind> > type (code), value1 > <value text> (code), value2 > <value text> (code)
//   RequestMapping   > <request key> (description)
// Every table keeps the first occurrence of a key; the reverse table of kinds keeps the first
// occurrence of a type code, so a repeated kind name with a new code still names that code.
//
// A code is read as the leading decimal number of its text (white space, optional sign, digits;
// the rest ignored). An entry whose text does not begin with a number is skipped: a value without
// a readable code stays unlisted (recorded as -1), and a kind without a readable type is not
// configured at all, rather than being filed under code 0, which belongs to another kind.
#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <optional>

#include "host/Markup.h"
#include "mapping/MappingDocument.h"
#include "shell/MonitorControl.h"

namespace {

std::optional<std::int32_t> ParseCode(const CString& text) {
    const wchar_t* begin = text.GetString();
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(begin, &end, 10);
    if (end == begin) return std::nullopt;
    // Out-of-range numbers saturate, as the classic integer conversions do.
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// Reads the children of the value list at the main position into both directions.
void ReadValueList(CMarkup& xml, std::map<CString, std::int32_t>& byText, std::map<std::int32_t, CString>& byCode) {
    if (!xml.IntoElem()) return;
    while (xml.FindElem()) {
        const std::optional<std::int32_t> code = ParseCode(xml.GetData());
        if (!code) continue;
        const CString text = xml.GetTagName();
        byText.try_emplace(text, *code);
        byCode.try_emplace(*code, text);
    }
    xml.OutOfElem();
}

}  // namespace

void CMonitorControl::GetOperationMapping() {
    // A missing or unreadable file gives an empty document: every search below then fails and
    // the tables stay empty.
    CMarkup xml;
    xml.Load(MonitorConfigPath());

    if (xml.FindElem(L"MonitorConfig") && xml.IntoElem() && xml.FindElem(L"OperationMapping") && xml.IntoElem()) {
        while (xml.FindElem()) {
            const CString kind = xml.GetTagName();
            OperationCode code;
            OperationName name;
            name.strKindName = kind;

            xml.IntoElem();
            // Each part is searched from the kind's first child, so a hand-edited kind whose
            // parts are in another order still loads.
            std::optional<std::int32_t> type;
            if (xml.FindElem(L"type")) type = ParseCode(xml.GetData());
            xml.ResetMainPos();
            if (xml.FindElem(L"value1")) ReadValueList(xml, code.mapValue1, name.mapName1);
            xml.ResetMainPos();
            if (xml.FindElem(L"value2")) ReadValueList(xml, code.mapValue2, name.mapName2);
            xml.OutOfElem();

            if (!type) continue;
            code.nType = *type;
            m_mapOperationByName.try_emplace(kind, std::move(code));
            m_mapOperationByType.try_emplace(*type, std::move(name));
        }
    }

    xml.ResetPos();
    if (xml.FindElem(L"MonitorConfig") && xml.IntoElem() && xml.FindElem(L"RequestMapping") && xml.IntoElem()) {
        while (xml.FindElem()) m_mapRequestMapping.try_emplace(xml.GetTagName(), xml.GetData());
    }
}
