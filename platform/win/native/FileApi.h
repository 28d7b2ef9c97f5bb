// Win32 file calls behind plain C++ types, for the file backends of platform/win/. This header
// and FileApi.cpp are the only files of those backends that meet <windows.h>; nothing here names
// an SDK type or includes one of our platform headers. Every call that can fail returns its
// Win32 error code (GetLastError()), 0 on success. Paths are handed to the system as they are:
// the callers put them in their Win32 form first (platform/win/WinFiles.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace native {

using Handle = void*;

enum class Access { read, write, readWrite };
// The share mode of CreateFileW. Deletion is never shared: a file held open cannot be removed,
// renamed or replaced by anyone else.
enum class Sharing { none, read, write, readWrite };
enum class Disposition {
    openExisting,  // OPEN_EXISTING
    openAlways,    // OPEN_ALWAYS: create when missing, keep the content otherwise
    createAlways,  // CREATE_ALWAYS: create, or empty an existing file
    createNew,     // CREATE_NEW: create, failing when the name exists
};

struct OpenResult {
    Handle handle = nullptr;  // null on failure
    std::uint32_t error = 0;
};

// CreateFileW for a regular file; `withDelete` adds DELETE access (for a rename through the
// handle). A directory fails with ERROR_ACCESS_DENIED.
OpenResult OpenFileHandle(const std::wstring& path, Access access, Sharing sharing, Disposition disposition,
                          bool withDelete);
std::uint32_t CloseFileHandle(Handle handle);
// One ReadFile / WriteFile call; `done` receives the bytes moved.
std::uint32_t ReadSome(Handle handle, void* buffer, std::uint32_t count, std::uint32_t& done);
std::uint32_t WriteSome(Handle handle, const void* buffer, std::uint32_t count, std::uint32_t& done);
// SetFilePointerEx; `origin` 0 from the start, 1 from the current position, 2 from the end.
std::uint32_t SeekHandle(Handle handle, std::int64_t offset, int origin, std::uint64_t& position);
std::uint32_t HandleFileSize(Handle handle, std::uint64_t& size);
// SetEndOfFile at the current position.
std::uint32_t CutAtPosition(Handle handle);
std::uint32_t FlushHandle(Handle handle);
// SetFileInformationByHandle with FileRenameInfo: renames the file open as `handle` (which needs
// DELETE access) to the full path `to`, replacing an existing file when `replace` is set.
std::uint32_t RenameByHandle(Handle handle, const std::wstring& to, bool replace);

std::uint32_t DeletePath(const std::wstring& path);
// MoveFileExW; `replace` adds MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
std::uint32_t MovePath(const std::wstring& from, const std::wstring& to, bool replace);
// True when some handle open on the file refuses to share deletion, which is why a removal,
// rename or replacement of it fails (some of those report ERROR_ACCESS_DENIED for it).
bool HeldWithoutDeleteSharing(const std::wstring& path);
// Creates the file when it is missing; leaves an existing one as it is, even when another
// process holds it without sharing (no data access is asked for).
std::uint32_t CreateIfMissing(const std::wstring& path);

struct PathAttributes {
    bool exists = false;
    bool directory = false;
};
// GetFileAttributesW.
PathAttributes QueryPath(const std::wstring& path);
// CreateDirectoryW; an existing directory gives ERROR_ALREADY_EXISTS.
std::uint32_t MakeDirectory(const std::wstring& path);
// GetFullPathNameW: the absolute form of `path` (separators '\', "." and ".." resolved).
std::uint32_t FullPathName(const std::wstring& path, std::wstring& full);

struct DirectoryEntry {
    std::wstring name;
    bool directory = false;
};
// Every entry that FindFirstFileExW / FindNextFileW return for `searchSpec` (a directory and a
// pattern). ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when there is nothing to list.
std::uint32_t ListDirectory(const std::wstring& searchSpec, std::vector<DirectoryEntry>& entries);

// MultiByteToWideChar with the system ANSI code page (CP_ACP).
std::wstring AnsiToWide(const std::string& text);
std::uint32_t CurrentProcessId();

}  // namespace native
