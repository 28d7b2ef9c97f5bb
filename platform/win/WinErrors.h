// The one translation of Win32 error codes (GetLastError()) into the cause numbers of
// CFileException, the Windows counterpart of ErrnoToFileCause in platform/posix/PosixIo.cpp.
// Internal to the Win32 backend of the platform layer; includes no SDK header.
#pragma once

#include <cstdint>

#include "platform/File.h"

// Win32 error codes the backends test for by name (values of the SDK's winerror.h).
namespace win32_error {
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kFileExists = 80;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint32_t kNegativeSeek = 131;
}  // namespace win32_error

// The CFileException cause for a failed Win32 call's error code.
int Win32ErrorToFileCause(std::uint32_t error);

[[noreturn]] inline void ThrowWin32FileError(std::uint32_t error, const CString& path) {
    throw CFileException(Win32ErrorToFileCause(error), static_cast<long>(error), path);
}
