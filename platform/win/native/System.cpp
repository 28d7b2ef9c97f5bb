// Win32 calls behind the process, clock and thread services.
#include "platform/win/native/System.h"

#include <windows.h>

#include <vector>

namespace native {

std::wstring MainModuleFileName(std::uint32_t& error) {
    error = 0;
    // The call truncates silently to the buffer it is given: grow the buffer until the path fits.
    // Paths with the \\?\ prefix reach 32767 characters; the bound only stops a runaway loop.
    constexpr DWORD kLimit = 1u << 20;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (n == 0) {
            error = ::GetLastError();
            return std::wstring();
        }
        if (n < size) return std::wstring(buffer.data(), n);
        if (size >= kLimit) {
            error = ERROR_INSUFFICIENT_BUFFER;
            return std::wstring();
        }
        buffer.resize(static_cast<size_t>(size) * 2);
    }
}

std::uint32_t TickCount() {
    return ::GetTickCount();
}

bool SetCurrentThreadPriority(int priority, std::uint32_t& error) {
    error = 0;
    if (::SetThreadPriority(::GetCurrentThread(), priority)) return true;
    error = ::GetLastError();
    return false;
}

bool GetCurrentThreadPriority(int& priority, std::uint32_t& error) {
    error = 0;
    const int level = ::GetThreadPriority(::GetCurrentThread());
    if (level == THREAD_PRIORITY_ERROR_RETURN) {
        error = ::GetLastError();
        return false;
    }
    priority = level;
    return true;
}

}  // namespace native
