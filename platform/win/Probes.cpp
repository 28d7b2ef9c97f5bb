// Win32 backend of the machine probes: the version record, GetSystemInfo, the processor keys of
// the registry, GlobalMemoryStatusEx, EnumDisplayDevicesW, the screen's device capabilities,
// GetAdaptersInfo and the drive queries (native/Machine.h).
#include <string>

#include "platform/ProbeBackend.h"
#include "platform/System.h"
#include "platform/win/native/Machine.h"

namespace {

CString Wide(const std::wstring& text) {
    return CString(text);
}

// GetVolumeInformationW wants the root with its backslash ("C:\"); a root given as "C:" gets it.
std::wstring RootWithBackslash(const CString& root) {
    std::wstring text = root.str();
    if (!text.empty() && text.back() != L'\\') text += L'\\';
    return text;
}

// A module path in the long-path form ("\\?\C:\...", "\\?\UNC\server\share\...") in its plain
// form, so that its first character is the drive letter (or the '\' of a network path).
CString WithoutLongPathPrefix(const CString& path) {
    const std::wstring& text = path.str();
    if (text.rfind(L"\\\\?\\UNC\\", 0) == 0) return Wide(L"\\\\" + text.substr(8));
    if (text.rfind(L"\\\\?\\", 0) == 0) return Wide(text.substr(4));
    return path;
}

}  // namespace

namespace probe_backend {

bool GetVersionEx(OSVERSIONINFOEXW* info) {
    if (!info) return false;
    const bool extended = info->dwOSVersionInfoSize == kOsVersionInfoExSize;
    if (!extended && info->dwOSVersionInfoSize != kOsVersionInfoSize) return false;  // as Windows refuses it
    const native::VersionRecord record = native::QueryVersion(extended);
    if (!record.ok) return false;
    info->dwMajorVersion = record.major;
    info->dwMinorVersion = record.minor;
    info->dwBuildNumber = record.build;
    info->dwPlatformId = record.platformId;
    const size_t capacity = sizeof info->szCSDVersion / sizeof info->szCSDVersion[0];
    const size_t length = record.csdVersion.size() < capacity ? record.csdVersion.size() : capacity - 1;
    record.csdVersion.copy(info->szCSDVersion, length);
    info->szCSDVersion[length] = L'\0';
    if (extended) {
        info->wServicePackMajor = record.servicePackMajor;
        info->wServicePackMinor = record.servicePackMinor;
        info->wSuiteMask = record.suiteMask;
        info->wProductType = record.productType;
    }
    return true;
}

bool GetOsProductName(CString&) {
    return false;  // Windows is described by its version record and the edition table
}

int GetNumberOfProcessors() {
    const std::uint32_t count = native::ProcessorCount();
    return count > 0 ? static_cast<int>(count) : 1;
}

bool GetProcessorDescription(int n, ProcessorDescription& description) {
    if (n < 0) return false;
    std::vector<native::RegistryValue> values(4);
    values[0].name = L"ProcessorNameString";
    values[1].name = L"~MHz";
    values[1].isNumber = true;
    values[2].name = L"Identifier";
    values[3].name = L"VendorIdentifier";
    std::uint32_t error = 0;
    const std::wstring key = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\" + std::to_wstring(n);
    if (!native::ReadLocalMachineValues(key, values, error)) return false;
    description.hasName = values[0].found;
    description.name = Wide(values[0].text);
    description.hasMHz = values[1].found;
    description.mhz = values[1].number;
    description.hasIdentifier = values[2].found;
    description.identifier = Wide(values[2].text);
    description.hasVendor = values[3].found;
    description.vendor = Wide(values[3].text);
    return true;
}

bool GlobalMemoryStatus(MemoryStatus& status) {
    native::MemoryRecord memory;
    std::uint32_t error = 0;
    if (!native::QueryMemory(memory, error)) return false;
    status.totalPhys = memory.totalPhys;
    status.availPhys = memory.availPhys;
    status.totalVirtual = memory.totalVirtual;
    status.availVirtual = memory.availVirtual;
    return true;
}

bool GetDisplayAdapterName(int n, CString& name) {
    if (n < 1) return false;
    std::wstring text;
    if (!native::DisplayDeviceString(static_cast<std::uint32_t>(n - 1), text) || text.empty()) return false;
    name = Wide(text);
    return true;
}

ScreenCaps GetScreenCaps() {
    native::ScreenRecord screen;
    native::QueryScreen(screen);  // no screen: 0 x 0, refresh 0
    ScreenCaps caps;
    caps.width = screen.width;
    caps.height = screen.height;
    caps.refresh = screen.refresh;
    return caps;
}

bool GetAdaptersInfo(std::vector<AdapterInfo>& adapters) {
    std::vector<native::AdapterRecord> records;
    std::uint32_t error = 0;
    if (!native::ListAdapters(records, error)) return false;
    for (auto& record : records) {
        if (record.type == native::kAdapterTypeLoopback || record.address.empty()) continue;
        AdapterInfo adapter;
        adapter.description = std::move(record.description);
        adapter.address.assign(record.address.begin(), record.address.end());
        adapter.ipAddress = record.ipAddress.empty() ? std::string("0.0.0.0") : std::move(record.ipAddress);
        adapters.push_back(std::move(adapter));
    }
    return true;
}

CString GetModuleFileNameWithDrive() {
    return WithoutLongPathPrefix(GetModuleFileName());
}

UINT GetDriveType(const CString& root) {
    return native::DriveType(RootWithBackslash(root));
}

bool GetVolumeInformation(const CString& root, CString& label, CString& fileSystem) {
    std::wstring name, system;
    std::uint32_t error = 0;
    if (!native::VolumeInformation(RootWithBackslash(root), name, system, error)) return false;
    label = Wide(name);
    fileSystem = Wide(system);
    return true;
}

bool GetDiskFreeSpaceEx(const CString& root, ULONGLONG& totalBytes, ULONGLONG& totalFreeBytes) {
    std::uint64_t total = 0, free = 0;
    std::uint32_t error = 0;
    if (!native::DiskFreeSpace(RootWithBackslash(root), total, free, error)) return false;
    totalBytes = total;
    totalFreeBytes = free;
    return true;
}

}  // namespace probe_backend
