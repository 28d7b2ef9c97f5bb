// Shared libraries through LoadLibraryExW, and window titles: the host's hook first, the real
// window's title otherwise.
#include "platform/Module.h"

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <string>

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

namespace {
std::mutex g_hookMutex;
WindowTitleHook g_titleHook;
}  // namespace

void SetWindowTitleHook(WindowTitleHook hook) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_titleHook = std::move(hook);
}

int GetWindowText(HWND window, wchar_t* buffer, int maxCount) {
    if (!buffer || maxCount <= 0) return 0;
    buffer[0] = L'\0';
    WindowTitleHook hook;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_titleHook;
    }
    // The host that installed the hook answers for the windows it knows; any other handle is a
    // real window.
    std::wstring title;
    if ((!hook || !hook(window, title)) && !native::WindowTitle(window, title)) return 0;
    const size_t count = std::min(title.size(), static_cast<size_t>(maxCount - 1));
    std::wmemcpy(buffer, title.data(), count);
    buffer[count] = L'\0';
    return static_cast<int>(count);
}
