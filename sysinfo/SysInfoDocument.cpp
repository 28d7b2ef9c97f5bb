// The system information file: the machine description written once per run in profile form,
// section "ROOT", then scrambled; and the update of a description kept as an XML document.
#include <utility>
#include <vector>

#include "host/Markup.h"
#include "platform/File.h"
#include "platform/ProfileText.h"
#include "shell/MonitorControl.h"
#include "shell/NumberedName.h"
#include "store/DataFilesLock.h"

void CMonitorControl::OutputSysInfo(CString strPath) {
    // Another process started from this installation may be writing the same file.
    const DataFilesLock files;
    if (!files.Held()) return;

    // The description is rebuilt from nothing every run.
    if (PathFileExists(strPath)) DeleteFile(strPath);

    const _CPUINFORMATION cpu = !m_vecCPUInfo.empty() && m_vecCPUInfo[0] ? *m_vecCPUInfo[0] : _CPUINFORMATION();
    const _MEMINFORMATION mem = m_pMemInfo ? *m_pMemInfo : _MEMINFORMATION();
    const _DRIVEINFORMATION drive = m_pDriveInfo ? *m_pDriveInfo : _DRIVEINFORMATION();
    const _MONITORINFOS monitor = m_pMonitorInfo ? *m_pMonitorInfo : _MONITORINFOS();

    std::vector<std::pair<CString, CString>> keys = {
        {L"WindowsVersion", m_strWindowsVersion},
        {L"CPUName", cpu.strCPUName},
        {L"CPUSpeed", cpu.strCPUSpeed},
        {L"CPUIdentify", cpu.strCPUIdentify},
        {L"CPUProductor", cpu.strCPUProductor},
        {L"RAMSize", mem.strRAMSize},
        {L"RAMAvailable", mem.strRAMAvailable},
        {L"VirtualMemory", mem.strVirtualMemory},
        {L"VirtualMemoryvailable", mem.strVirtualMemoryAvailable},
        {L"DriveName", drive.strDriveName},
        {L"DriveLable", drive.strDriveLabel},
        {L"DriveFileSystem", drive.strDriveFileSystem},
        {L"DriveSpaceTotal", drive.strDriveSpaceTotal},
        {L"DriveSpaceAvailable", drive.strDriveSpaceAvailable},
        {L"MonitorName", monitor.strMonitorName},
        {L"MonitorResolution", monitor.strMonitorResolution},
        {L"MonitorFresh", monitor.strMonitorFresh},
    };
    for (int i = 0; m_pMacInfo && i < m_nMacCount; ++i) {
        keys.emplace_back(NumberedName(L"MacName", i), m_pMacInfo[i].strMacName);
        keys.emplace_back(NumberedName(L"MacID", i), m_pMacInfo[i].strMacID);
    }
    // The keys go in one write: the same text as key-by-key profile writes give, without a
    // partly written description on disk at any moment (and one disk flush instead of twenty).
    // Each key is a line of its own, as the profile writer appends a key it cannot find: the 13th
    // adapter's keys hold '=' ("MacName=", "MacID="), which a lookup never finds.
    ProfileDocument document;
    for (const auto& [key, value] : keys) AppendProfileEntry(document, L"ROOT", key.str(), value.str());
    WriteFileBytesAtomic(strPath, RenderProfileBytes(document));

    EasyEncrypt(strPath);
}

void CMonitorControl::ModifySysInfo(CString strPath) {
    const DataFilesLock files;
    if (!files.Held()) return;
    EasyDecrypt(strPath);
    CMarkup doc;
    if (!doc.Load(strPath) || !doc.FindElem(L"ROOT") || !doc.IntoElem()) {
        // Not a description document, or one that did not load whole: leave it as it was found.
        EasyEncrypt(strPath);
        return;
    }

    // Replaces the text of the next element of that name only when it differs.
    auto update = [&doc](const wchar_t* name, const CString& value) {
        if (doc.FindElem(name) && doc.GetData() != value) doc.SetData(value);
    };
    auto group = [&doc, &update](const wchar_t* name, const std::vector<std::pair<const wchar_t*, CString>>& children) {
        if (!doc.FindElem(name) || !doc.IntoElem()) return;
        for (const auto& [child, value] : children) update(child, value);
        doc.OutOfElem();
    };

    const _CPUINFORMATION cpu = !m_vecCPUInfo.empty() && m_vecCPUInfo[0] ? *m_vecCPUInfo[0] : _CPUINFORMATION();
    const _MEMINFORMATION mem = m_pMemInfo ? *m_pMemInfo : _MEMINFORMATION();
    const _DRIVEINFORMATION drive = m_pDriveInfo ? *m_pDriveInfo : _DRIVEINFORMATION();
    const _MONITORINFOS monitor = m_pMonitorInfo ? *m_pMonitorInfo : _MONITORINFOS();

    update(L"WindowsVersion", m_strWindowsVersion);
    group(L"CPU", {{L"CPUName", cpu.strCPUName},
                   {L"CPUSpeed", cpu.strCPUSpeed},
                   {L"CPUIdentify", cpu.strCPUIdentify},
                   {L"CPUProductor", cpu.strCPUProductor}});
    group(L"RAM", {{L"RAMSize", mem.strRAMSize},
                   {L"RAMAvailable", mem.strRAMAvailable},
                   {L"VirtualMemory", mem.strVirtualMemory},
                   {L"VirtualMemoryvailable", mem.strVirtualMemoryAvailable}});
    group(L"Drive", {{L"DriveName", drive.strDriveName},
                     {L"DriveLable", drive.strDriveLabel},
                     {L"DriveFileSystem", drive.strDriveFileSystem},
                     {L"DriveSpaceTotal", drive.strDriveSpaceTotal},
                     {L"DriveSpaceAvailable", drive.strDriveSpaceAvailable}});
    group(L"Monitor", {{L"MonitorName", monitor.strMonitorName},
                       {L"MonitorResolution", monitor.strMonitorResolution},
                       {L"MonitorFresh", monitor.strMonitorFresh}});

    // The adapter list is always rebuilt.
    if (doc.FindElem(L"Mac")) doc.RemoveElem();
    doc.AddElem(L"Mac");
    doc.IntoElem();
    for (int i = 0; m_pMacInfo && i < m_nMacCount; ++i) {
        doc.AddElem(NumberedName(L"", i));
        doc.IntoElem();
        doc.AddElem(L"MacName", m_pMacInfo[i].strMacName);
        doc.AddElem(L"MacID", m_pMacInfo[i].strMacID);
        doc.OutOfElem();
    }
    doc.OutOfElem();

    doc.Save(strPath);
    EasyEncrypt(strPath);
}

void CMonitorControl::LoadSysInfo() {}
