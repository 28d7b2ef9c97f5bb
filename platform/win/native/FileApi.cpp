// The Win32 calls behind FileApi.h.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <climits>
#include <cstddef>
#include <memory>

#include "platform/win/native/FileApi.h"

namespace native {

namespace {

HANDLE AsHandle(Handle handle) {
    return static_cast<HANDLE>(handle);
}

std::uint32_t LastError() {
    const DWORD error = ::GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;  // a failure is never reported as success
}

std::uint32_t Result(BOOL ok) {
    return ok ? 0 : LastError();
}

}  // namespace

OpenResult OpenFileHandle(const std::wstring& path, Access access, Sharing sharing, Disposition disposition,
                          bool withDelete) {
    DWORD desired = 0;
    switch (access) {
        case Access::read:
            desired = GENERIC_READ;
            break;
        case Access::write:
            desired = GENERIC_WRITE;
            break;
        case Access::readWrite:
            desired = GENERIC_READ | GENERIC_WRITE;
            break;
    }
    if (withDelete) desired |= DELETE;
    DWORD share = 0;
    switch (sharing) {
        case Sharing::none:
            break;
        case Sharing::read:
            share = FILE_SHARE_READ;
            break;
        case Sharing::write:
            share = FILE_SHARE_WRITE;
            break;
        case Sharing::readWrite:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
    }
    DWORD create = OPEN_EXISTING;
    switch (disposition) {
        case Disposition::openExisting:
            break;
        case Disposition::openAlways:
            create = OPEN_ALWAYS;
            break;
        case Disposition::createAlways:
            create = CREATE_ALWAYS;
            break;
        case Disposition::createNew:
            create = CREATE_NEW;
            break;
    }
    OpenResult result;
    const HANDLE handle = ::CreateFileW(path.c_str(), desired, share, nullptr, create, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        result.error = LastError();
        return result;
    }
    result.handle = handle;
    return result;
}

std::uint32_t CloseFileHandle(Handle handle) {
    return Result(::CloseHandle(AsHandle(handle)));
}

std::uint32_t ReadSome(Handle handle, void* buffer, std::uint32_t count, std::uint32_t& done) {
    DWORD n = 0;
    const BOOL ok = ::ReadFile(AsHandle(handle), buffer, count, &n, nullptr);
    done = n;
    return Result(ok);
}

std::uint32_t WriteSome(Handle handle, const void* buffer, std::uint32_t count, std::uint32_t& done) {
    DWORD n = 0;
    const BOOL ok = ::WriteFile(AsHandle(handle), buffer, count, &n, nullptr);
    done = n;
    return Result(ok);
}

std::uint32_t SeekHandle(Handle handle, std::int64_t offset, int origin, std::uint64_t& position) {
    DWORD method = FILE_BEGIN;
    if (origin == 1) method = FILE_CURRENT;
    if (origin == 2) method = FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER now;
    now.QuadPart = 0;
    const BOOL ok = ::SetFilePointerEx(AsHandle(handle), distance, &now, method);
    position = static_cast<std::uint64_t>(now.QuadPart);
    return Result(ok);
}

std::uint32_t HandleFileSize(Handle handle, std::uint64_t& size) {
    LARGE_INTEGER value;
    value.QuadPart = 0;
    const BOOL ok = ::GetFileSizeEx(AsHandle(handle), &value);
    size = static_cast<std::uint64_t>(value.QuadPart);
    return Result(ok);
}

std::uint32_t CutAtPosition(Handle handle) {
    return Result(::SetEndOfFile(AsHandle(handle)));
}

std::uint32_t FlushHandle(Handle handle) {
    return Result(::FlushFileBuffers(AsHandle(handle)));
}

std::uint32_t RenameByHandle(Handle handle, const std::wstring& to, bool replace) {
    // FILE_RENAME_INFO ends in the name, null-terminated; the system turns it into its own form.
    const std::size_t bytes = offsetof(FILE_RENAME_INFO, FileName) + (to.size() + 1) * sizeof(WCHAR);
    if (bytes > ULONG_MAX) return ERROR_FILENAME_EXCED_RANGE;
    auto storage = std::make_unique<std::uint64_t[]>((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(storage.get());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(to.size() * sizeof(WCHAR));
    to.copy(info->FileName, to.size());
    info->FileName[to.size()] = L'\0';
    return Result(::SetFileInformationByHandle(AsHandle(handle), FileRenameInfo, info, static_cast<DWORD>(bytes)));
}

std::uint32_t DeletePath(const std::wstring& path) {
    return Result(::DeleteFileW(path.c_str()));
}

std::uint32_t MovePath(const std::wstring& from, const std::wstring& to, bool replace) {
    const DWORD flags = replace ? (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) : 0;
    return Result(::MoveFileExW(from.c_str(), to.c_str(), flags));
}

bool HeldWithoutDeleteSharing(const std::wstring& path) {
    const HANDLE handle = ::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(handle);
    return false;
}

std::uint32_t CreateIfMissing(const std::wstring& path) {
    // Attribute access only takes no part in the share-mode check: the call neither fails on a
    // file that someone holds nor keeps anyone out while it runs.
    const HANDLE handle =
        ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    ::CloseHandle(handle);
    return 0;
}

PathAttributes QueryPath(const std::wstring& path) {
    PathAttributes result;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return result;
    result.exists = true;
    result.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return result;
}

std::uint32_t MakeDirectory(const std::wstring& path) {
    return Result(::CreateDirectoryW(path.c_str(), nullptr));
}

std::uint32_t FullPathName(const std::wstring& path, std::wstring& full) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return LastError();
        if (n < buffer.size()) {
            buffer.resize(n);
            full = std::move(buffer);
            return 0;
        }
        buffer.resize(n);  // n counts the terminating null when the buffer was too small
    }
}

std::uint32_t ListDirectory(const std::wstring& searchSpec, std::vector<DirectoryEntry>& entries) {
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileExW(searchSpec.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return LastError();
    std::uint32_t error = 0;
    do {
        entries.push_back(DirectoryEntry{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileW(find, &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES) error = LastError();
    ::FindClose(find);
    return error;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed);
    return wide;
}

std::uint32_t CurrentProcessId() {
    return ::GetCurrentProcessId();
}

}  // namespace native
