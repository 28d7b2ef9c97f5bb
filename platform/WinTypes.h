// Windows-shaped scalar types and constants used across the library.
//
// The monitor's algorithms are written against the shapes of the Windows API (BOOL results,
// opaque window handles, DWORD ticks). This header gives those shapes portable definitions so the
// same code compiles on every platform; it includes no operating-system header.
#pragma once

#include <cstdint>

using BOOL = std::int32_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONGLONG = std::uint64_t;
using LONGLONG = std::int64_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;

// A 64-bit count of 100-nanosecond units in two halves (times of day and durations).
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Opaque window handle. The reference host hands these out for its dialog windows; nothing in
// the library dereferences one.
struct HWND__;
using HWND = HWND__*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Symbol visibility for the two shared libraries.
#if defined(_WIN32)
#if defined(QZ_BUILDING_HOST)
#define QZ_HOST_API __declspec(dllexport)
#else
#define QZ_HOST_API __declspec(dllimport)
#endif
#if defined(QZ_BUILDING_MONITOR)
#define QZ_MONITOR_API __declspec(dllexport)
#else
#define QZ_MONITOR_API __declspec(dllimport)
#endif
#else
#define QZ_HOST_API __attribute__((visibility("default")))
#define QZ_MONITOR_API __attribute__((visibility("default")))
#endif

// A member of a host framework class that both libraries define and export: the host library for
// its own use, the plug-in because the host's framework expects to find it there (a host built
// against another copy of the framework resolves it from the plug-in). The definitions are one
// source file compiled into each library (CMakeLists.txt, FRAMEWORK_SHARED_SOURCES).
#if defined(_WIN32)
#if defined(QZ_BUILDING_HOST) || defined(QZ_BUILDING_MONITOR)
#define QZ_FRAMEWORK_API __declspec(dllexport)
#else
#define QZ_FRAMEWORK_API __declspec(dllimport)
#endif
#else
#define QZ_FRAMEWORK_API __attribute__((visibility("default")))
#endif

// A host framework class whose members are defined partly in the host library and partly in the
// plug-in. Each member carries its own library's QZ_HOST_API or QZ_MONITOR_API; on Windows the
// class itself carries none (a class may not be both imported and exported), elsewhere it is
// visible as a whole so that both libraries share one vtable and one type_info.
#if defined(_WIN32)
#define QZ_SHARED_CLASS
#else
#define QZ_SHARED_CLASS __attribute__((visibility("default")))
#endif
