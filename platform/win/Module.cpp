// Shared libraries through LoadLibraryExW, and the real window's title for GetWindowText (the
// host's hook answers first: platform/WindowTitle.cpp).
#include "platform/Module.h"

#include <algorithm>
#include <string>

#include "platform/ModuleBackend.h"
#include "platform/TextConv.h"
#include "platform/win/WinFiles.h"
#include "platform/win/native/ModuleApi.h"

void* LoadModule(const CString& path, std::string* error) {
    // The loader takes only '\' separators.
    std::wstring windowsPath = path.str();
    std::replace(windowsPath.begin(), windowsPath.end(), L'/', L'\\');
    const bool absolute = (windowsPath.size() >= 3 && windowsPath[1] == L':' && windowsPath[2] == L'\\') ||
                          windowsPath.rfind(L"\\\\", 0) == 0;
    // An absolute path finds the libraries it needs beside itself, as $ORIGIN does on POSIX.
    const native::LoadResult loaded = native::LoadDll(Win32Path(CString(windowsPath)), absolute);
    if (!loaded.module && error) {
        *error = WideToNarrow(loaded.message);
        if (error->empty()) error->assign("unknown error");
        *error += " (error " + std::to_string(loaded.error) + ")";
    }
    return loaded.module;
}

void* GetModuleSymbol(void* module, const char* name) {
    return module && name ? native::DllSymbol(module, name) : nullptr;
}

void FreeModule(void* module) {
    if (module) native::UnloadDll(module);
}

CString ModuleFileName(const CString& name) {
    return name + L".dll";
}

namespace module_backend {

bool WindowTitle(HWND window, std::wstring& title) {
    return native::WindowTitle(window, title);
}

}  // namespace module_backend
