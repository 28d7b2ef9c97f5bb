// Generation of the monitor configuration file from the host's UI description files and headers.
//
// CreateOperationMapping rebuilds the "OperationMapping" section from the host's files beside its
// executable and then lets the header steps (HeaderParsing.cpp) add the command strings and
// rebuild "RequestMapping", all on one document loaded once and saved once. Every kind numbers
// its first values from 1 in document order; the keys are written as element names exactly as
// formed, in the form the handlers record them (menu and toolbar paths with '|' in place of '\').
//
// The file must already exist with its "MonitorConfig" root; the generator never creates it and
// never replaces a file it cannot read whole.
#include <initializer_list>
#include <string>
#include <vector>

#include "host/Markup.h"
#include "mapping/MappingDocument.h"
#include "platform/System.h"
#include "shell/MonitorControl.h"

namespace {

// Adds a kind with its "type" and an empty "value1", and leaves the navigator inside "value1".
void OpenKind(CMarkup& xml, const wchar_t* kind, const wchar_t* type) {
    xml.AddElem(kind);
    xml.IntoElem();
    xml.AddElem(L"type", type);
    xml.AddElem(L"value1");
    xml.IntoElem();
}

// Leaves "value1", adds "value2" with the text "0" and leaves the kind.
void CloseKind(CMarkup& xml) {
    xml.OutOfElem();
    xml.AddElem(L"value2", L"0");
    xml.OutOfElem();
}

// Adds one first value with the next running number. Every item takes its number, so the codes
// of the items after it are the ones the host counts; an empty key (an item without its name)
// cannot be an element name and is not written.
void AddValue(CMarkup& xml, const CString& key, int& counter) {
    const int number = TakeNumber(counter);
    if (!key.IsEmpty()) xml.AddElem(key, std::to_wstring(number).c_str());
}

// Enters each element of `path` in turn from the document's top; false when one is missing. The
// host's description files are only read: one that is cut off still gives what it holds before
// the fault, so the input loads are not checked.
bool EnterPath(CMarkup& doc, std::initializer_list<const wchar_t*> path) {
    for (const wchar_t* name : path)
        if (!doc.FindElem(name) || !doc.IntoElem()) return false;
    return true;
}

// "FENDRAKE" > "WORKSPACE" > "NAME" (text).
void AddWorkspaces(CMarkup& xml, HostFiles& files) {
    OpenKind(xml, L"WorkspaceChanged", L"0");
    CMarkup doc;
    int number = 1;
    files.LoadDescription(L"configuration.xml", doc);
    if (EnterPath(doc, {L"FENDRAKE"})) {
        while (doc.FindElem(L"WORKSPACE")) {
            doc.IntoElem();
            AddValue(xml, doc.FindElem(L"NAME") ? doc.GetData() : CString(), number);
            doc.OutOfElem();
        }
    }
    CloseKind(xml);
}

// "ROOT" > "FDMENUBAR" > "MENU" > "MENU" (a menu) > "MENU" (an item): "||menu|item".
void AddMenuCommands(CMarkup& xml, HostFiles& files) {
    OpenKind(xml, L"MenuCommand", L"1");
    CMarkup doc;
    int number = 1;
    files.LoadDescription(L"menu.xml", doc);
    if (EnterPath(doc, {L"ROOT", L"FDMENUBAR", L"MENU"})) {
        while (doc.FindElem(L"MENU")) {
            const CString prefix = L"||" + doc.GetAttrib(L"NAME");
            doc.IntoElem();
            while (doc.FindElem(L"MENU")) AddValue(xml, prefix + L"|" + doc.GetAttrib(L"NAME"), number);
            doc.OutOfElem();
        }
    }
    CloseKind(xml);
}

// "ROOT" > "FDTOOLBAR" > "BUTTON": "||button", or "||button|item" for each drop-down "MENU" of a
// button that has some (the button itself then has no entry).
void AddToolbarCommands(CMarkup& xml, HostFiles& files) {
    OpenKind(xml, L"ToolbarCommand", L"2");
    CMarkup doc;
    int number = 1;
    files.LoadDescription(L"toolbar.xml", doc);
    if (EnterPath(doc, {L"ROOT", L"FDTOOLBAR"})) {
        while (doc.FindElem(L"BUTTON")) {
            const CString prefix = L"||" + doc.GetAttrib(L"NAME");
            doc.IntoElem();
            if (doc.FindElem(L"MENU")) {
                do {
                    AddValue(xml, prefix + L"|" + doc.GetAttrib(L"NAME"), number);
                } while (doc.FindElem(L"MENU"));
            } else {
                AddValue(xml, prefix, number);
            }
            doc.OutOfElem();
        }
    }
    CloseKind(xml);
}

// "ROOT" > `element` (NAME attribute): the dialog and tab files.
void AddNamedElements(CMarkup& xml, const wchar_t* kind, const wchar_t* type, HostFiles& files, const wchar_t* file,
                      const wchar_t* element) {
    OpenKind(xml, kind, type);
    CMarkup doc;
    int number = 1;
    files.LoadDescription(file, doc);
    if (EnterPath(doc, {L"ROOT"})) {
        while (doc.FindElem(element)) AddValue(xml, doc.GetAttrib(L"NAME"), number);
    }
    CloseKind(xml);
}

// A kind that lists no values: "type", "value1" "0" and "value2" "0".
void AddKindWithoutValues(CMarkup& xml, const wchar_t* kind, const wchar_t* type) {
    xml.AddElem(kind);
    xml.IntoElem();
    xml.AddElem(L"type", type);
    xml.AddElem(L"value1", L"0");
    xml.AddElem(L"value2", L"0");
    xml.OutOfElem();
}

}  // namespace

void HostFolder::LoadDescription(const wchar_t* name, CMarkup& doc) {
    doc.Load(m_dir + L"\\" + name);
}

bool HostFolder::ReadHeader(const wchar_t* name, std::vector<CString>& lines) {
    return ReadHeaderLines(m_dir + L"\\" + name, lines);
}

void CMonitorControl::BuildOperationMapping(CMarkup& xml, HostFiles& files) {
    // The section is rebuilt from nothing on every run; a new one takes the old one's place.
    xml.ResetMainPos();
    if (xml.FindElem(L"OperationMapping")) xml.RemoveElem();
    xml.AddElem(L"OperationMapping");
    xml.IntoElem();

    AddWorkspaces(xml, files);
    AddMenuCommands(xml, files);
    AddToolbarCommands(xml, files);
    AddNamedElements(xml, L"DialogShow", L"3", files, L"dialog.xml", L"DIALOG");
    AddNamedElements(xml, L"TabWndActive", L"4", files, L"tab.xml", L"TAB");
    AddKindWithoutValues(xml, L"PopupMenuOpen", L"5");
    AddKindWithoutValues(xml, L"PopupMenuClose", L"6");
    xml.OutOfElem();

    // The command headers share the three counters, so numbering runs on from one to the next.
    // A header that cannot be read adds nothing and takes no number.
    int nType = 7;
    int nValue1 = 1;
    int nValue2 = 1;
    for (const wchar_t* header : {L"CmdMgrLogicDefine.h", L"LogicHandlerFun.h", L"LogicHandlerFun2.h"}) {
        std::vector<CString> lines;
        if (files.ReadHeader(header, lines)) AddHeaderCommands(xml, lines, nType, nValue1, nValue2);
    }
    // A request header that cannot be read leaves the document's "RequestMapping" as it was.
    std::vector<CString> requests;
    if (files.ReadHeader(L"ClientRequest.h", requests)) ReplaceRequestMapping(xml, requests);
}

void CMonitorControl::CreateOperationMapping() {
    const CString dir = GetExecutableDir();
    const CString configPath = dir + L"\\Config\\MonitorConfig.xml";

    CMarkup xml;
    if (!EnterMonitorConfig(xml, configPath)) return;
    HostFolder files(dir);
    BuildOperationMapping(xml, files);
    // Saved once, when the whole document is built: a run that stops half-way leaves the
    // previous file, never one with a new "OperationMapping" and the old commands.
    xml.Save(configPath);
}
