// Win32 calls for shared libraries and window titles behind plain C++ types, for
// platform/win/Module.cpp. This header and ModuleApi.cpp are the only files of that backend that
// meet <windows.h> (whose FreeModule and LoadLibrary macros never reach our own names).
#pragma once

#include <cstdint>
#include <string>

namespace native {

using Handle = void*;

struct LoadResult {
    Handle module = nullptr;  // null on failure
    std::uint32_t error = 0;  // GetLastError() of the failed load
    std::wstring message;     // the system's text for it (FormatMessageW), without a line end
};

// LoadLibraryExW. `besideItsDependencies` (for an absolute path only) has the libraries that the
// module needs looked up in the module's own folder first (LOAD_WITH_ALTERED_SEARCH_PATH).
LoadResult LoadDll(const std::wstring& path, bool besideItsDependencies);
// GetProcAddress; null when absent.
void* DllSymbol(Handle module, const char* name);
// FreeLibrary.
void UnloadDll(Handle module);
// GetWindowTextW of a real window; false when `window` is not a window.
bool WindowTitle(void* window, std::wstring& title);

}  // namespace native
