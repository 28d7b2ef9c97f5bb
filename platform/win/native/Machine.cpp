// Win32 implementation of the machine queries.
#include "platform/win/native/Machine.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <cstring>

namespace native {

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);

RtlGetVersionFunction RtlGetVersionEntry() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return nullptr;
    // Through void*: FARPROC and the real signature are unrelated function types.
    return reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
}

// The text of a fixed-size wide buffer, which need not be terminated.
std::wstring Text(const wchar_t* buffer, size_t capacity) {
    size_t length = 0;
    while (length < capacity && buffer[length] != L'\0') ++length;
    return std::wstring(buffer, length);
}

std::string Text(const char* buffer, size_t capacity) {
    size_t length = 0;
    while (length < capacity && buffer[length] != '\0') ++length;
    return std::string(buffer, length);
}

void ReadValue(HKEY key, RegistryValue& value) {
    value.found = false;
    if (value.isNumber) {
        DWORD number = 0;
        DWORD size = sizeof number;
        if (::RegGetValueW(key, nullptr, value.name.c_str(), RRF_RT_REG_DWORD, nullptr, &number, &size) ==
            ERROR_SUCCESS) {
            value.number = number;
            value.found = true;
        }
        return;
    }
    // RegGetValueW terminates the text; a value that grows between the two calls is asked again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
        if (::RegGetValueW(key, nullptr, value.name.c_str(), flags, nullptr, nullptr, &size) != ERROR_SUCCESS) return;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS rc = ::RegGetValueW(key, nullptr, value.name.c_str(), flags, nullptr, text.data(), &size);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return;
        value.text = Text(text.data(), text.size());
        value.found = true;
        return;
    }
}

}  // namespace

VersionRecord QueryVersion(bool extended) {
    VersionRecord record;
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXW) : sizeof(OSVERSIONINFOW);
    if (const RtlGetVersionFunction rtlGetVersion = RtlGetVersionEntry()) {
        const LONG status = rtlGetVersion(reinterpret_cast<RTL_OSVERSIONINFOW*>(&info));
        record.ok = status == 0;
        record.error = static_cast<std::uint32_t>(status);
    } else {
        record.ok = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != 0;
        record.error = record.ok ? 0 : ::GetLastError();
    }
    if (!record.ok) return record;
    record.major = info.dwMajorVersion;
    record.minor = info.dwMinorVersion;
    record.build = info.dwBuildNumber;
    record.platformId = info.dwPlatformId;
    record.csdVersion = Text(info.szCSDVersion, sizeof info.szCSDVersion / sizeof info.szCSDVersion[0]);
    if (extended) {
        record.servicePackMajor = info.wServicePackMajor;
        record.servicePackMinor = info.wServicePackMinor;
        record.suiteMask = info.wSuiteMask;
        record.productType = info.wProductType;
    }
    return record;
}

std::uint32_t ProcessorCount() {
    SYSTEM_INFO info;
    std::memset(&info, 0, sizeof info);
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

bool ReadLocalMachineValues(const std::wstring& subKey, std::vector<RegistryValue>& values, std::uint32_t& error) {
    for (auto& value : values) value.found = false;
    HKEY key = nullptr;
    const LSTATUS rc = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS) {
        error = static_cast<std::uint32_t>(rc);
        return false;
    }
    error = 0;
    for (auto& value : values) ReadValue(key, value);
    ::RegCloseKey(key);
    return true;
}

bool QueryMemory(MemoryRecord& memory, std::uint32_t& error) {
    MEMORYSTATUSEX status;
    std::memset(&status, 0, sizeof status);
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status)) {
        error = ::GetLastError();
        return false;
    }
    error = 0;
    memory.totalPhys = status.ullTotalPhys;
    memory.availPhys = status.ullAvailPhys;
    memory.totalVirtual = status.ullTotalVirtual;
    memory.availVirtual = status.ullAvailVirtual;
    return true;
}

bool DisplayDeviceString(std::uint32_t index, std::wstring& text) {
    DISPLAY_DEVICEW device;
    std::memset(&device, 0, sizeof device);
    device.cb = sizeof device;
    if (!::EnumDisplayDevicesW(nullptr, index, &device, 0)) return false;
    text = Text(device.DeviceString, sizeof device.DeviceString / sizeof device.DeviceString[0]);
    return true;
}

bool QueryScreen(ScreenRecord& screen) {
    screen = ScreenRecord();
    HDC dc = ::GetDC(nullptr);
    if (!dc) return false;
    screen.width = ::GetDeviceCaps(dc, HORZRES);
    screen.height = ::GetDeviceCaps(dc, VERTRES);
    screen.refresh = ::GetDeviceCaps(dc, VREFRESH);
    ::ReleaseDC(nullptr, dc);
    return true;
}

bool ListAdapters(std::vector<AdapterRecord>& adapters, std::uint32_t& error) {
    adapters.clear();
    error = 0;
    // Whole records, so the list the call writes is aligned as its structures need.
    std::vector<IP_ADAPTER_INFO> buffer(1);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG size = static_cast<ULONG>(buffer.size() * sizeof(IP_ADAPTER_INFO));
        const DWORD rc = ::GetAdaptersInfo(buffer.data(), &size);
        if (rc == ERROR_NO_DATA) return true;
        if (rc == ERROR_BUFFER_OVERFLOW) {
            // The list may grow between two calls: ask again with the size the call named.
            buffer.resize(size / sizeof(IP_ADAPTER_INFO) + 1);
            continue;
        }
        if (rc != ERROR_SUCCESS) {
            error = rc;
            return false;
        }
        for (const IP_ADAPTER_INFO* item = buffer.data(); item; item = item->Next) {
            AdapterRecord record;
            record.description = Text(item->Description, sizeof item->Description);
            const size_t length =
                item->AddressLength < sizeof item->Address ? item->AddressLength : sizeof item->Address;
            record.address.assign(item->Address, item->Address + length);
            record.ipAddress = Text(item->IpAddressList.IpAddress.String, sizeof item->IpAddressList.IpAddress.String);
            record.type = item->Type;
            adapters.push_back(std::move(record));
        }
        return true;
    }
    error = ERROR_BUFFER_OVERFLOW;
    return false;
}

std::uint32_t DriveType(const std::wstring& root) {
    return ::GetDriveTypeW(root.c_str());
}

bool VolumeInformation(const std::wstring& root, std::wstring& label, std::wstring& fileSystem, std::uint32_t& error) {
    wchar_t name[MAX_PATH + 1] = {};
    wchar_t system[MAX_PATH + 1] = {};
    if (!::GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, system, MAX_PATH + 1)) {
        error = ::GetLastError();
        return false;
    }
    error = 0;
    label = Text(name, MAX_PATH + 1);
    fileSystem = Text(system, MAX_PATH + 1);
    return true;
}

bool DiskFreeSpace(const std::wstring& root, std::uint64_t& totalBytes, std::uint64_t& totalFreeBytes,
                   std::uint32_t& error) {
    ULARGE_INTEGER total, totalFree;
    total.QuadPart = 0;
    totalFree.QuadPart = 0;
    if (!::GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, &totalFree)) {
        error = ::GetLastError();
        return false;
    }
    error = 0;
    totalBytes = total.QuadPart;
    totalFreeBytes = totalFree.QuadPart;
    return true;
}

}  // namespace native
