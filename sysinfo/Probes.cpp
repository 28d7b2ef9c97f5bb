// Probes of the platform and hardware: the edition, processors, memory, display, network adapters
// and the drive of the host's executable, as display texts in the machine description records.
// Every query goes through the platform layer (platform/Probes.h).
#include "platform/Probes.h"

#include <vector>

#include "platform/TextConv.h"
#include "shell/MonitorControl.h"
#include "sysinfo/ProbeTexts.h"

bool CMonitorControl::PlatformCheck() {
    // Systems that the Windows version record does not describe name themselves.
    CString productName;
    if (GetOsProductName(productName)) {
        m_strWindowsVersion = productName;
        return true;
    }

    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = kOsVersionInfoExSize;
    const bool extended = GetVersionEx(&info);
    if (!extended) {
        info = OSVERSIONINFOEXW{};
        info.dwOSVersionInfoSize = kOsVersionInfoSize;
        if (!GetVersionEx(&info)) return false;
    }
    ApplyEditionTable(info, extended, m_strWindowsVersion);
    return true;
}

int CMonitorControl::GetCPUNumber() {
    return GetNumberOfProcessors();
}

bool CMonitorControl::GetCPUInfo(int nProcessor, _CPUINFORMATION* pInfo) {
    if (!pInfo) return false;
    ProcessorDescription description;
    GetProcessorDescription(nProcessor, description);
    pInfo->strCPUName = description.hasName ? description.name : CString();
    pInfo->strCPUSpeed = CpuSpeedText(description.hasMHz ? description.mhz : 0);
    pInfo->strCPUIdentify = description.hasIdentifier ? description.identifier : CString();
    pInfo->strCPUProductor = description.hasVendor ? description.vendor : CString();
    return true;
}

bool CMonitorControl::GetMemoryInfo(_MEMINFORMATION* pInfo) {
    if (!pInfo) return false;
    MemoryStatus status;
    if (!GlobalMemoryStatus(status)) return true;  // the texts stay as they were
    pInfo->strRAMSize = MegabyteText(status.totalPhys);
    pInfo->strRAMAvailable = MegabyteText(status.availPhys);
    pInfo->strVirtualMemory = MegabyteText(status.totalVirtual);
    pInfo->strVirtualMemoryAvailable = MegabyteText(status.availVirtual);
    return true;
}

bool CMonitorControl::GetMONITORINFOS(int nAdapter, _MONITORINFOS* pInfo) {
    if (!pInfo) return false;
    CString name;
    if (GetDisplayAdapterName(nAdapter, name) && !name.IsEmpty()) pInfo->strMonitorName = name;
    const ScreenCaps caps = GetScreenCaps();
    pInfo->strMonitorResolution = ResolutionText(caps.width, caps.height);
    pInfo->strMonitorFresh = RefreshText(caps.refresh);
    return true;
}

bool CMonitorControl::GetMacInfo(_MACINFOS*) {
    std::vector<AdapterInfo> adapters;
    if (!GetAdaptersInfo(adapters)) return true;  // no list: no records

    // Adapters without an IPv4 address (reported as 0.0.0.0) are left out.
    auto counted = [](const AdapterInfo& adapter) {
        return !adapter.ipAddress.empty() && adapter.ipAddress != "0.0.0.0";
    };
    int count = 0;
    for (const auto& adapter : adapters)
        if (counted(adapter)) ++count;
    if (count == 0) return false;

    delete[] m_pMacInfo;
    m_pMacInfo = new _MACINFOS[count];
    m_nMacCount = count;
    int next = 0;
    for (const auto& adapter : adapters) {
        if (!counted(adapter)) continue;
        m_pMacInfo[next].strMacID = MacAddressText(adapter.address);
        m_pMacInfo[next].strMacName = AnsiToWide(adapter.description);
        ++next;
    }
    for (int i = 0; i < m_nMacCount; ++i) {
        if (i > 0) m_strMacID += L"|";
        m_strMacID += m_pMacInfo[i].strMacID;
    }
    return true;
}

CString CMonitorControl::GetCurrWorkingDirDisk() {
    const CString path = GetModuleFileNameWithDrive();
    return path.Left(1);
}

bool CMonitorControl::GetDriveInfo(CString strDrive, _DRIVEINFORMATION* pInfo) {
    if (!pInfo || strDrive.IsEmpty()) return false;
    const wchar_t letter = strDrive.GetAt(0);
    if (letter < L'A' || letter > L'Z') return false;
    const CString root = strDrive + L":\\";

    const UINT type = GetDriveType(root);
    DriveKindText(type, letter, pInfo->strDriveName);
    if (type == kDriveNoRootDir) return false;

    CString label, fileSystem;
    GetVolumeInformation(root.Left(2), label, fileSystem);
    pInfo->strDriveLabel = label.IsEmpty() ? CString(L"无") : label;
    pInfo->strDriveFileSystem = fileSystem.IsEmpty() ? CString(L"无") : fileSystem;

    ULONGLONG total = 0, free = 0;
    if (GetDiskFreeSpaceEx(root, total, free)) {
        pInfo->strDriveSpaceTotal = DriveSpaceText(total, letter);
        pInfo->strDriveSpaceAvailable = DriveSpaceText(free, letter);
    }
    return true;
}
