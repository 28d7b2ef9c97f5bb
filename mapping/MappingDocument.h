// Helpers shared by the loader and the generator of the monitor configuration file.
#pragma once

#include <utility>
#include <vector>

#include "platform/CString.h"

class CMarkup;

// "<executable dir>\Config\MonitorConfig.xml".
CString MonitorConfigPath();

// Loads the configuration file and enters its "MonitorConfig" root. False, with nothing to
// change, when the file cannot be read, is not well formed or has another root: the generator
// then leaves the file as it is rather than saving a document the loader cannot use.
bool EnterMonitorConfig(CMarkup& xml, const CString& path);

// Returns the counter's value and advances it by one (wrapping instead of overflowing).
int TakeNumber(int& counter);

// Reads every line of a header (without line ends); false when it cannot be opened or read.
bool ReadHeaderLines(const CString& path, std::vector<CString>& lines);

// The host's files that the generator reads, by their name in the executable's folder
// ("menu.xml", "CmdMgrLogicDefine.h").
class HostFiles {
public:
    virtual ~HostFiles() = default;
    // Loads a UI description file into `doc`; a file that cannot be read leaves it empty.
    virtual void LoadDescription(const wchar_t* name, CMarkup& doc) = 0;
    // Reads every line of a header; false when it cannot be read.
    virtual bool ReadHeader(const wchar_t* name, std::vector<CString>& lines) = 0;
};

// The files of a folder, read as CMarkup::Load and ReadHeaderLines read them.
class HostFolder : public HostFiles {
public:
    explicit HostFolder(CString dir) : m_dir(std::move(dir)) {}
    void LoadDescription(const wchar_t* name, CMarkup& doc) override;
    bool ReadHeader(const wchar_t* name, std::vector<CString>& lines) override;

private:
    CString m_dir;
};

// The two header steps on a document whose navigator is among the root's children (as
// EnterMonitorConfig leaves it), and leave it there. AddHeaderCommands appends the command
// strings of `lines` to the kind "PostExecute" (added with the next type number when missing);
// ReplaceRequestMapping puts a new "RequestMapping" with the request identifiers of `lines` in
// the old one's place.
void AddHeaderCommands(CMarkup& xml, const std::vector<CString>& lines, int& nType, int& nValue1, int& nValue2);
void ReplaceRequestMapping(CMarkup& xml, const std::vector<CString>& lines);
