// Win32 calls behind the waitable timer (platform/win/Timer.cpp): a manual-reset kernel timer,
// manual-reset events and a wait on several of them.
//
// Standard types only: this header is included by backends that also include our own
// Windows-shaped declarations, which clash with the SDK's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace native {

using Handle = void*;

// A manual-reset waitable timer, unarmed. With a non-empty `name` the timer is a named kernel
// object; `existed` then tells whether another holder had already created one under that name (the
// handle refers to that object). Null, with the Win32 error in `error`, on failure.
Handle CreateManualResetTimer(const std::wstring& name, bool& existed, std::uint32_t& error);
// Arms the timer: `dueTime` negative is relative, in 100 ns units; positive is an absolute file
// time (UTC). One-shot, no completion routine. Arming resets a signalled timer.
bool ArmTimer(Handle timer, std::int64_t dueTime, std::uint32_t& error);

// An unnamed manual-reset event, not signalled. Null, with the Win32 error, on failure.
Handle CreateManualResetEvent(std::uint32_t& error);
bool SignalEvent(Handle event);
bool UnsignalEvent(Handle event);

// Waits without time limit until one of the objects is signalled; the index of the signalled
// object with the lowest index, or -1 (with the Win32 error) when the wait fails.
int WaitForAny(const Handle* handles, std::size_t count, std::uint32_t& error);

void CloseKernelObject(Handle handle);

// The current time as a file time (100 ns units since 1601-01-01 UTC).
std::int64_t CurrentFileTime();

}  // namespace native
