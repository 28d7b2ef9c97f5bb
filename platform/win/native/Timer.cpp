// Win32 calls behind the waitable timer.
#include "platform/win/native/Timer.h"

#include <windows.h>

namespace native {

Handle CreateManualResetTimer(const std::wstring& name, bool& existed, std::uint32_t& error) {
    existed = false;
    error = 0;
    HANDLE timer = ::CreateWaitableTimerW(nullptr, TRUE, name.empty() ? nullptr : name.c_str());
    if (!timer) {
        error = ::GetLastError();
        return nullptr;
    }
    existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    return timer;
}

bool ArmTimer(Handle timer, std::int64_t dueTime, std::uint32_t& error) {
    error = 0;
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    if (::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) return true;
    error = ::GetLastError();
    return false;
}

Handle CreateManualResetEvent(std::uint32_t& error) {
    error = 0;
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event) error = ::GetLastError();
    return event;
}

bool SignalEvent(Handle event) {
    return ::SetEvent(event) != FALSE;
}

bool UnsignalEvent(Handle event) {
    return ::ResetEvent(event) != FALSE;
}

int WaitForAny(const Handle* handles, std::size_t count, std::uint32_t& error) {
    error = 0;
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
        error = ERROR_INVALID_PARAMETER;
        return -1;
    }
    const DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, INFINITE);
    if (result < WAIT_OBJECT_0 + count) return static_cast<int>(result - WAIT_OBJECT_0);
    // WAIT_FAILED, or an abandoned mutex (none of our objects is one).
    error = result == WAIT_FAILED ? ::GetLastError() : ERROR_INVALID_HANDLE;
    return -1;
}

void CloseKernelObject(Handle handle) {
    if (handle) ::CloseHandle(handle);
}

std::int64_t CurrentFileTime() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    return static_cast<std::int64_t>(value.QuadPart);
}

}  // namespace native
