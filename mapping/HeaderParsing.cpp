// The generator's header steps: command strings of the host's command headers into the
// "PostExecute" kind, and client request identifiers into "RequestMapping".
//
// A header line is taken only when it matches its pattern as a whole, so a definition with
// anything after its value (a trailing comment after a command string) is left out, and a request
// definition without its "//" description is left out.
//
// The patterns are matched by hand (mapping/HeaderPatterns.cpp), in time linear in the line, so a
// line of any length, a long description after "//" included, is taken or left on its merits.
//
// A header is read completely before the configuration file is touched: a header that cannot be
// opened or read leaves the file as it was and takes no number from the counters, so the kind
// "PostExecute" gets the type 7 in every generated file even when the first header is absent.
#include <string>
#include <utility>
#include <vector>

#include "host/Markup.h"
#include "mapping/HeaderPatterns.h"
#include "mapping/MappingDocument.h"
#include "platform/File.h"
#include "shell/MonitorControl.h"

namespace {

// Finds the child list `name` of the element the navigator is in (adding it at the end when a
// hand-edited file lacks it) and enters it.
void EnterList(CMarkup& xml, const wchar_t* name) {
    xml.ResetMainPos();
    if (!xml.FindElem(name)) xml.AddElem(name);
    xml.IntoElem();
}

}  // namespace

bool ReadHeaderLines(const CString& path, std::vector<CString>& lines) {
    CStdioFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeText)) return false;
    try {
        CString line;
        while (file.ReadString(line)) lines.push_back(line);
        file.Close();
    } catch (const CFileException&) {
        file.Abort();
        return false;
    }
    return true;
}

void AddHeaderCommands(CMarkup& xml, const std::vector<CString>& lines, int& nType, int& nValue1, int& nValue2) {
    // (command string, filed under value1)
    std::vector<std::pair<CString, bool>> commands;
    for (const CString& line : lines) {
        if (const auto define = MatchCommandDefine(line))
            commands.emplace_back(define->command, line.Find(L"FUN") >= 0);
    }

    xml.ResetMainPos();
    // A file without the section gets one, so that the loader finds the kind.
    if (!xml.FindElem(L"OperationMapping")) xml.AddElem(L"OperationMapping");
    xml.IntoElem();
    if (xml.FindElem(L"PostExecute")) {
        xml.IntoElem();
    } else {
        xml.AddElem(L"PostExecute");
        xml.IntoElem();
        xml.AddElem(L"type", std::to_wstring(TakeNumber(nType)).c_str());
        xml.AddElem(L"value1");
        xml.AddElem(L"value2");
    }

    for (const auto& [command, first] : commands) {
        EnterList(xml, first ? L"value1" : L"value2");
        // Appended after the list's existing children.
        xml.AddElem(command, std::to_wstring(TakeNumber(first ? nValue1 : nValue2)).c_str());
        xml.OutOfElem();
    }
    // Back to the root's children, where the next step starts.
    xml.OutOfElem();
    xml.OutOfElem();
}

void ReplaceRequestMapping(CMarkup& xml, const std::vector<CString>& lines) {
    xml.ResetMainPos();
    if (xml.FindElem(L"RequestMapping")) xml.RemoveElem();
    xml.AddElem(L"RequestMapping");
    xml.IntoElem();
    for (const CString& line : lines) {
        // "Req" + the number as written (0042 stays 0042), the description as it follows "//".
        if (const auto define = MatchRequestDefine(line))
            xml.AddElem(CString(L"Req") + define->number, define->description);
    }
    xml.OutOfElem();
}

void CMonitorControl::ParseHeaderFile(CString strHeaderPath, int& nType, int& nValue1, int& nValue2,
                                      CString strConfigPath) {
    std::vector<CString> lines;
    if (!ReadHeaderLines(strHeaderPath, lines)) return;
    CMarkup xml;
    if (!EnterMonitorConfig(xml, strConfigPath)) return;
    AddHeaderCommands(xml, lines, nType, nValue1, nValue2);
    xml.Save(strConfigPath);
}

void CMonitorControl::ParseClientRequest(CString strHeaderPath, CString strConfigPath) {
    std::vector<CString> lines;
    if (!ReadHeaderLines(strHeaderPath, lines)) return;
    CMarkup xml;
    if (!EnterMonitorConfig(xml, strConfigPath)) return;
    ReplaceRequestMapping(xml, lines);
    xml.Save(strConfigPath);
}
