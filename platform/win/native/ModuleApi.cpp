// The Win32 calls behind ModuleApi.h.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/win/native/ModuleApi.h"

namespace native {

namespace {

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (length != 0 && text) message.assign(text, length);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    return message;
}

}  // namespace

LoadResult LoadDll(const std::wstring& path, bool besideItsDependencies) {
    LoadResult result;
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, besideItsDependencies ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    if (!module) {
        const DWORD error = ::GetLastError();
        result.error = error != 0 ? error : ERROR_GEN_FAILURE;
        result.message = SystemMessage(result.error);
        return result;
    }
    result.module = module;
    return result;
}

void* DllSymbol(Handle module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadDll(Handle module) {
    ::FreeLibrary(static_cast<HMODULE>(module));
}

bool WindowTitle(void* window, std::wstring& title) {
    const HWND hwnd = static_cast<HWND>(window);
    if (!::IsWindow(hwnd)) return false;
    const int length = ::GetWindowTextLengthW(hwnd);
    // The length may be larger than the title (it can count a conversion); never smaller.
    std::wstring buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
    buffer.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    title = std::move(buffer);
    return true;
}

}  // namespace native
