// The display texts of the machine description and the Windows edition table.
#include "sysinfo/ProbeTexts.h"

CString CpuSpeedText(DWORD mhz) {
    CString text;
    text.Format(L"%02x%02x%02x%02x", static_cast<unsigned>((mhz >> 24) & 0xFF),
                static_cast<unsigned>((mhz >> 16) & 0xFF), static_cast<unsigned>((mhz >> 8) & 0xFF),
                static_cast<unsigned>(mhz & 0xFF));
    return text;
}

CString MegabyteText(ULONGLONG bytes) {
    CString text;
    text.Format(L"%lld MB", static_cast<long long>(bytes >> 20));
    return text;
}

CString ResolutionText(int width, int height) {
    CString text;
    text.Format(L"%d x %d", width, height);
    return text;
}

CString RefreshText(int refresh) {
    if (refresh == 0 || refresh == 1) return CString(L"硬件默认扫描频率");
    CString text;
    text.Format(L"%dHz", refresh);
    return text;
}

CString MacAddressText(const std::vector<BYTE>& address) {
    CString text;
    for (size_t i = 0; i < address.size(); ++i)
        text.AppendFormat(L"%02X%c", static_cast<unsigned>(address[i]), i + 1 == address.size() ? L' ' : L'-');
    return text;
}

bool DriveKindText(UINT driveType, wchar_t letter, CString& text) {
    switch (driveType) {
        case kDriveUnknown:
            text = L"无法辨识设备";
            return true;
        case kDriveNoRootDir:
            text = L"0";
            return true;
        case kDriveRemovable:
            text = letter < L'C' ? L"软盘" : L"抽取式大容量磁盘";
            return true;
        case kDriveFixed:
            text = L"硬盘";
            return true;
        case kDriveRemote:
            text = L"网络磁盘";
            return true;
        case kDriveCdrom:
            text = L"CDROM/DVD 光盘";
            return true;
        case kDriveRamDisk:
            text = L"虚拟磁盘";
            return true;
        default:
            return false;
    }
}

CString DriveSpaceText(ULONGLONG bytes, wchar_t letter) {
    CString text;
    if (letter < L'C')
        text.Format(L"%lld KB", static_cast<long long>(bytes >> 10));
    else
        text.Format(L"%lld MB", static_cast<long long>(bytes >> 20));
    return text;
}

void ApplyEditionTable(const OSVERSIONINFOEXW& info, bool extended, CString& text) {
    const DWORD major = info.dwMajorVersion;
    const DWORD minor = info.dwMinorVersion;
    const CString csd(info.szCSDVersion);
    const BYTE product = info.wProductType;
    const WORD suite = info.wSuiteMask;
    constexpr BYTE kWorkstation = 1, kDomainController = 2, kServer = 3;
    constexpr WORD kEnterprise = 0x2, kDataCenter = 0x80, kPersonal = 0x200, kBlade = 0x400;

    if (major == 4) {
        if (minor == 10)
            text = csd.GetLength() > 1 && csd.GetAt(1) == L'A' ? L"Windows 98 Second Edition" : L"Windows 98";
        else if (minor == 90)
            text = L"Windows ME";
        return;
    }
    if (major != 5 || minor > 2) return;

    if (extended) {
        if (minor == 0) {
            if (product == kWorkstation)
                text = L"Windows 2000 Professional " + csd;
            else if (product == kServer && (suite & kDataCenter))
                text = L"Windows 2000 Datacenter Edition " + csd;
            else if (product == kServer && (suite & kEnterprise))
                text = L"Windows 2000 Advanced Server " + csd;
            else if (product == kServer)
                text = L"Windows 2000 Server " + csd;
            (void)kDomainController;  // a domain controller keeps the text unchanged
        } else if (minor == 1) {
            if (product == kWorkstation && (suite & kPersonal))
                text = L"Windows XP Home Edition " + csd;
            else if (product == kWorkstation)
                text = L"Windows XP Professional " + csd;
        } else {
            if (suite & kDataCenter)
                text = L"Windows Server 2003 Datacenter Edition " + csd;
            else if (suite & kEnterprise)
                text = L"Windows Server 2003 Enterprise Edition " + csd;
            else if (suite == kBlade)
                text = L"Windows Server 2003 Web Edition " + csd;
            else
                text = L"Windows Server 2003 Standard Edition" + csd;
        }
    }

    // The service-pack suffix; the plain record reads as service pack 0.
    const WORD servicePack = extended ? info.wServicePackMajor : 0;
    if (minor == 0) {
        static const wchar_t* const suffixes[] = {L" Gold Edition",     L" Second Edition 1", L" Second Edition 2",
                                                  L" Second Edition 3", L" Second Edition 4", L" Second Edition 5"};
        if (servicePack < 6) text += suffixes[servicePack];
    } else {
        static const wchar_t* const suffixes[] = {L" Gold", L" Second Edition 1", L" Second Edition 2"};
        if (servicePack < 3) text += suffixes[servicePack];
    }
}
