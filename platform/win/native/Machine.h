// The Win32 queries behind the machine probes: version record, registry values, processors,
// memory, display, network adapters and drives. Standard types only: this header is included by
// files that also see the platform layer's own declarations (platform/win/Probes.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace native {

// The version record of the running system, from ntdll's RtlGetVersion (which the compatibility
// shims do not lie to), or GetVersionExW where ntdll lacks it. `extended` asks for the extended
// record (service pack numbers, suite mask, product type); the plain one leaves those zero.
struct VersionRecord {
    bool ok = false;
    std::uint32_t error = 0;  // GetLastError() or the NTSTATUS when !ok
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;
    std::wstring csdVersion;
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};
VersionRecord QueryVersion(bool extended);

// dwNumberOfProcessors of GetSystemInfo.
std::uint32_t ProcessorCount();

// One value to read from a registry key: a text (REG_SZ, REG_EXPAND_SZ unexpanded) or a 32-bit
// number (REG_DWORD). `found` tells whether it could be read.
struct RegistryValue {
    std::wstring name;
    bool isNumber = false;
    bool found = false;
    std::wstring text;
    std::uint32_t number = 0;
};
// Reads the values of key `subKey` of HKEY_LOCAL_MACHINE with one open. False, with the error of
// RegOpenKeyExW, when the key cannot be opened (every value then not found).
bool ReadLocalMachineValues(const std::wstring& subKey, std::vector<RegistryValue>& values, std::uint32_t& error);

// GlobalMemoryStatusEx, in bytes.
struct MemoryRecord {
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
};
bool QueryMemory(MemoryRecord& memory, std::uint32_t& error);

// DeviceString of display device `index` (from 0) of EnumDisplayDevicesW; false when there is none.
bool DisplayDeviceString(std::uint32_t index, std::wstring& text);

// HORZRES, VERTRES and VREFRESH of the screen's device context (GetDC(NULL)); false, all zero,
// when there is no screen to ask.
struct ScreenRecord {
    int width = 0;
    int height = 0;
    int refresh = 0;
};
bool QueryScreen(ScreenRecord& screen);

// One entry of GetAdaptersInfo's list.
struct AdapterRecord {
    std::string description;            // in the system's ANSI code page, as the list holds it
    std::vector<std::uint8_t> address;  // AddressLength bytes of Address
    std::string ipAddress;              // the first IpAddressList entry's text
    std::uint32_t type = 0;             // MIB_IF_TYPE_* (24: loopback)
};
// The adapter list in the order the system gives it, read into a buffer that grows to the size
// the call asks for. An empty list (ERROR_NO_DATA) is a success; other failures give false and the
// error code.
bool ListAdapters(std::vector<AdapterRecord>& adapters, std::uint32_t& error);
constexpr std::uint32_t kAdapterTypeLoopback = 24;

// GetDriveTypeW of a root ("C:\").
std::uint32_t DriveType(const std::wstring& root);
// GetVolumeInformationW of a root ("C:\"): volume label and file-system name.
bool VolumeInformation(const std::wstring& root, std::wstring& label, std::wstring& fileSystem, std::uint32_t& error);
// GetDiskFreeSpaceExW of a root: total size and total free bytes.
bool DiskFreeSpace(const std::wstring& root, std::uint64_t& totalBytes, std::uint64_t& totalFreeBytes,
                   std::uint32_t& error);

}  // namespace native
