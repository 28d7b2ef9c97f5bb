// Window titles: the hook of the host that owns the windows answers first, the platform's window
// system (platform/ModuleBackend.h) for any other handle.
#include <algorithm>
#include <cwchar>
#include <mutex>
#include <string>

#include "platform/Module.h"
#include "platform/ModuleBackend.h"

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
    if ((!hook || !hook(window, title)) && !module_backend::WindowTitle(window, title)) return 0;
    const size_t count = std::min(title.size(), static_cast<size_t>(maxCount - 1));
    std::wmemcpy(buffer, title.data(), count);
    buffer[count] = L'\0';
    return static_cast<int>(count);
}
