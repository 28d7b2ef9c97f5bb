// Win32 calls behind the process, clock and thread services (platform/win/System.cpp).
//
// Standard types only: this header is included by backends that also include our own
// Windows-shaped declarations, which clash with the SDK's.
#pragma once

#include <cstdint>
#include <string>

namespace native {

// Full path of the process's main executable, as the system reports it, whatever its length.
// Empty, with the Win32 error in `error`, when it cannot be read.
std::wstring MainModuleFileName(std::uint32_t& error);

// Milliseconds since the system started, as the 32-bit counter that wraps every 49.7 days.
std::uint32_t TickCount();

// Sets the calling thread's priority to one of the Windows levels (-2..2, -15 idle, 15
// time-critical). False, with the Win32 error in `error`, when the system refuses it.
bool SetCurrentThreadPriority(int priority, std::uint32_t& error);
// The calling thread's priority level; false, with the Win32 error in `error`, when it cannot be
// read.
bool GetCurrentThreadPriority(int& priority, std::uint32_t& error);

}  // namespace native
