// Machine probes of the platform layer: the operating system's version and name, processors,
// memory, display, network adapters and the drive that holds the executable.
//
// The operations have the shape of the Windows queries the monitor's probes are written against
// (version record, processor description, memory status, display capabilities, adapter list,
// drive type, volume information, disk space), so the monitor's code reads the same on every
// platform. The POSIX backend answers them from /proc, /sys, os-release, getifaddrs and statvfs:
//   - there is no Windows version record (GetVersionEx fails); GetOsProductName gives the
//     system's own name instead ("Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64");
//   - POSIX paths have no drive letter: the file system that holds the executable directory is
//     drive kExecutableDriveLetter ('C'), and the drive queries answer for it; every other letter
//     has no root directory;
//   - a machine without a display reports a screen of 0 x 0 with refresh 0 (the hardware's
//     default), and no display adapter name.
//
// Tests replace any query through SetProbeOverridesForTesting (an empty function keeps the real
// query). All functions are thread-safe.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/CString.h"

// The Windows version record (OSVERSIONINFOEXW). dwOSVersionInfoSize selects the query:
// kOsVersionInfoExSize for the extended record, kOsVersionInfoSize for the plain one.
struct OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    wchar_t szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
constexpr DWORD kOsVersionInfoExSize = 284;
constexpr DWORD kOsVersionInfoSize = 276;

// Fills the record; false when the query fails (always on POSIX, which has no such record).
QZ_HOST_API bool GetVersionEx(OSVERSIONINFOEXW* info);
// The operating system's own name when it is not described by the Windows version record:
// os-release's PRETTY_NAME (or NAME and VERSION) followed by the kernel release. False on
// Windows, and when neither is known.
QZ_HOST_API bool GetOsProductName(CString& name);

// Number of logical processors (GetSystemInfo's dwNumberOfProcessors).
QZ_HOST_API int GetNumberOfProcessors();

// What the system tells about one processor; a value that cannot be read has its flag false.
struct ProcessorDescription {
    bool hasName = false;
    CString name;  // "ProcessorNameString"
    bool hasMHz = false;
    DWORD mhz = 0;  // "~MHz"
    bool hasIdentifier = false;
    CString identifier;  // "Identifier", e.g. "AMD64 Family 23 Model 1 Stepping 2"
    bool hasVendor = false;
    CString vendor;  // "VendorIdentifier", e.g. "AuthenticAMD"
};
// False when processor `n` is not known (every flag then false).
QZ_HOST_API bool GetProcessorDescription(int n, ProcessorDescription& description);

// Memory status in bytes (GlobalMemoryStatusEx): physical memory, and the virtual address space
// of the calling process.
struct MemoryStatus {
    ULONGLONG totalPhys = 0;
    ULONGLONG availPhys = 0;
    ULONGLONG totalVirtual = 0;
    ULONGLONG availVirtual = 0;
};
QZ_HOST_API bool GlobalMemoryStatus(MemoryStatus& status);

// Description of display adapter `n` (from 1), as the driver names it; false when there is none.
QZ_HOST_API bool GetDisplayAdapterName(int n, CString& name);
// The screen's capabilities (HORZRES, VERTRES, VREFRESH). A machine without a screen gives
// 0 x 0 and refresh 0; a refresh rate that cannot be read is 0 (the hardware's default).
struct ScreenCaps {
    int width = 0;
    int height = 0;
    int refresh = 0;
};
QZ_HOST_API ScreenCaps GetScreenCaps();

// One network adapter of the adapter list (GetAdaptersInfo), in the order the system gives them.
// Loopback interfaces and interfaces without a hardware address are not listed.
struct AdapterInfo {
    std::string description;    // narrow text in the system code page
    std::vector<BYTE> address;  // hardware address bytes
    std::string ipAddress;      // first IPv4 address, "0.0.0.0" when it has none
};
// False when the list cannot be read.
QZ_HOST_API bool GetAdaptersInfo(std::vector<AdapterInfo>& adapters);

// The drive letter that names the file system holding the executable directory on POSIX.
constexpr wchar_t kExecutableDriveLetter = L'C';
// The executable's full path in drive form: GetModuleFileNameW on Windows; on POSIX the
// executable path (GetModuleFileName) behind "C:", so its first character is the drive letter.
QZ_HOST_API CString GetModuleFileNameWithDrive();

// Drive kinds of GetDriveTypeW.
enum DriveType : UINT {
    kDriveUnknown = 0,
    kDriveNoRootDir = 1,
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdrom = 5,
    kDriveRamDisk = 6,
};
// `root` is "X:\" (or "X:"): the letter decides the drive.
QZ_HOST_API UINT GetDriveType(const CString& root);
// Volume label and file-system name; false when the drive cannot be queried.
QZ_HOST_API bool GetVolumeInformation(const CString& root, CString& label, CString& fileSystem);
// Total size and total free bytes of the drive; false when it cannot be queried.
QZ_HOST_API bool GetDiskFreeSpaceEx(const CString& root, ULONGLONG& totalBytes, ULONGLONG& totalFreeBytes);

// Replacements for tests (LevelDB-style fault and fact injection). Every empty member keeps the
// real query. Passing a default-constructed object restores all of them.
struct ProbeOverrides {
    std::function<bool(OSVERSIONINFOEXW*)> getVersionEx;
    std::function<bool(CString&)> getOsProductName;
    std::function<int()> getNumberOfProcessors;
    std::function<bool(int, ProcessorDescription&)> getProcessorDescription;
    std::function<bool(MemoryStatus&)> globalMemoryStatus;
    std::function<bool(int, CString&)> getDisplayAdapterName;
    std::function<ScreenCaps()> getScreenCaps;
    std::function<bool(std::vector<AdapterInfo>&)> getAdaptersInfo;
    std::function<CString()> getModuleFileNameWithDrive;
    std::function<UINT(const CString&)> getDriveType;
    std::function<bool(const CString&, CString&, CString&)> getVolumeInformation;
    std::function<bool(const CString&, ULONGLONG&, ULONGLONG&)> getDiskFreeSpaceEx;
};
QZ_HOST_API void SetProbeOverridesForTesting(const ProbeOverrides& overrides);
