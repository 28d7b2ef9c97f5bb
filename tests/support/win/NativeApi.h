// The native Win32 calls that the differential test compares our emulation with. Only
// NativeApi.cpp includes <windows.h>; this header uses standard types only, so the test file can
// include it beside our platform headers (which clash with the SDK's declarations).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace native_api {

// GetPrivateProfileStringW; `key` or `section` empty in the optional sense ask for the lists of
// names, which the test does not use, so both are plain strings here.
std::wstring ProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue);
// GetPrivateProfileIntW.
int ProfileInt(const std::wstring& path, const std::wstring& section, const std::wstring& key, int defaultValue);
// WritePrivateProfileStringW (a name of our own: the SDK makes "WriteProfileString" a macro); no key deletes the
// section, no value deletes the key.
bool WriteProfileEntry(const std::wstring& path, const std::wstring& section, const std::optional<std::wstring>& key,
                       const std::optional<std::wstring>& value);

// FindFirstFileExW / FindNextFileW over `pattern` (a folder and a name pattern): the names found,
// without "." and "..", in ordinal order.
std::vector<std::wstring> Listing(const std::wstring& pattern);

// _vsnwprintf of the system's msvcrt.dll (looked up at run time, so that the C runtime the test
// is linked with cannot stand in for it). Empty when msvcrt.dll or the function is missing.
std::wstring Format(const wchar_t* format, ...);

}  // namespace native_api
