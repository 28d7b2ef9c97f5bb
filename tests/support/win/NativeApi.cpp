// The native side of the differential test: the Win32 profile, listing and formatting calls.
#include "tests/support/win/NativeApi.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>

namespace native_api {

std::wstring ProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue) {
    std::wstring buffer(4096, L'\0');
    const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), path.c_str());
    buffer.resize(length);
    return buffer;
}

int ProfileInt(const std::wstring& path, const std::wstring& section, const std::wstring& key, int defaultValue) {
    return static_cast<int>(GetPrivateProfileIntW(section.c_str(), key.c_str(), defaultValue, path.c_str()));
}

bool WriteProfileEntry(const std::wstring& path, const std::wstring& section, const std::optional<std::wstring>& key,
                       const std::optional<std::wstring>& value) {
    return WritePrivateProfileStringW(section.c_str(), key ? key->c_str() : nullptr, value ? value->c_str() : nullptr,
                                      path.c_str()) != FALSE;
}

std::vector<std::wstring> Listing(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring Format(const wchar_t* format, ...) {
    using Formatter = int(__cdecl*)(wchar_t*, size_t, const wchar_t*, va_list);
    HMODULE crt = LoadLibraryW(L"msvcrt.dll");
    if (!crt) return std::wstring();
    const auto formatter = reinterpret_cast<Formatter>(reinterpret_cast<void*>(GetProcAddress(crt, "_vsnwprintf")));
    std::wstring result;
    if (formatter) {
        std::wstring buffer(8192, L'\0');
        va_list args;
        va_start(args, format);
        const int written = formatter(buffer.data(), buffer.size() - 1, format, args);
        va_end(args);
        if (written >= 0) result.assign(buffer.data(), static_cast<size_t>(written));
    }
    FreeLibrary(crt);
    return result;
}

}  // namespace native_api
