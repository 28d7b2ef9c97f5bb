// What the file backends of platform/win/ share: the Win32 form of a path and the emulated
// file-size limit. Internal to the Win32 backend; includes no SDK header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/CString.h"

// The longest path that the classic Win32 calls take (MAX_PATH less the terminating null), and
// the longest that CreateDirectoryW takes (room left for an 8.3 file name inside it).
constexpr std::size_t kMaxWin32Path = 259;
constexpr std::size_t kMaxWin32DirectoryPath = 247;

// The path every Win32 file call of the backend is given: `path` as it is, or, when it (or the
// absolute path it stands for) is longer than `limit`, its absolute form behind the "\\?\"
// prefix ("\\?\UNC\" for a share), which lifts the length limit. NativePath is this in narrow form.
std::wstring Win32Path(const CString& path, std::size_t limit = kMaxWin32Path);

// The emulated SetFileSizeLimitForTesting: 0 for none, else the size no write may go past.
std::uint64_t FileSizeLimit();
