// Shared libraries through dlopen, and the window-title hook.
#include "platform/Module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cwchar>
#include <mutex>

#include "platform/File.h"

void* LoadModule(const CString& path, std::string* error) {
    void* module = dlopen(NativePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module && error) {
        const char* reason = dlerror();
        *error = reason ? reason : "unknown error";
    }
    return module;
}

void* GetModuleSymbol(void* module, const char* name) {
    return module && name ? dlsym(module, name) : nullptr;
}

void FreeModule(void* module) {
    if (module) dlclose(module);
}

CString ModuleFileName(const CString& name) {
    return CString(L"lib") + name + L".so";
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
    std::wstring title;
    if (!hook || !hook(window, title)) return 0;
    const size_t count = std::min(title.size(), static_cast<size_t>(maxCount - 1));
    std::wmemcpy(buffer, title.data(), count);
    buffer[count] = L'\0';
    return static_cast<int>(count);
}
