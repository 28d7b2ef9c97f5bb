// CFile on Windows: CreateFileW with the share modes of the classic framework, reads and writes,
// and the changes of a file in place (removal, renaming, replacement, MoveOver).
//
// Sharing is the system's own. A file opened without sharing (share mode 0) cannot be opened
// again, by this process or another, until it is closed; and no open shares deletion
// (FILE_SHARE_DELETE), so a file that anyone holds open through CFile can be neither removed,
// renamed nor replaced (the POSIX backend emulates exactly this). Some of those refusals come back
// as ERROR_ACCESS_DENIED (a replacement of a file in use, typically); when a file involved is held
// open, the cause reported is sharingViolation, as on POSIX.
//
// MoveOver renames the file through its own handle (SetFileInformationByHandle, FileRenameInfo
// with ReplaceIfExists), so the file stays held from its last write through its rename and nobody
// can open, remove or replace it in between. A rename through the handle needs DELETE access. An
// exclusive open asks for it: nobody can share that file anyway, so it keeps nobody out. A shared
// open cannot ask for it (every other holder that does not share deletion would refuse it), so
// MoveOver of a shared open closes the file, moves it with MoveFileExW and opens it again under its
// new name at the same position; a caller that needs the file held throughout opens it exclusively,
// as the container and the atomic write do.
//
// SetFileSizeLimitForTesting has no system counterpart here: Write and SetLength check the
// emulated limit themselves (FileSizeLimit.cpp) and fail with diskFull where the POSIX limit does.
#include "platform/File.h"

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <string>

#include "platform/win/WinErrors.h"
#include "platform/win/WinFiles.h"
#include "platform/win/native/FileApi.h"

struct CFile::Impl {
    native::Handle handle = nullptr;
    unsigned flags = 0;
    bool canRename = false;  // opened with DELETE access
};

namespace {

std::atomic<void (*)(const CString&)> g_flushObserver{nullptr};

// No Windows file system takes a name longer than 255 units (NTFS, FAT32 and exFAT alike), and
// the system reports such a name as invalid, though some implementations of the file calls say
// "not found" instead: refused here, it is a bad path everywhere.
constexpr std::size_t kMaxNameLength = 255;
constexpr std::uint32_t kFilenameExcedRange = 206;  // ERROR_FILENAME_EXCED_RANGE

bool HasOverlongName(const std::wstring& path) {
    std::size_t run = 0;
    for (const wchar_t ch : path) {
        run = (ch == L'\\' || ch == L'/') ? 0 : run + 1;
        if (run > kMaxNameLength) return true;
    }
    return false;
}

// Throws the error of a failed removal, rename or replacement, naming `path`; an access refusal
// while one of `involved` is held open is the sharing violation it really is.
[[noreturn]] void ThrowChangeError(std::uint32_t error, const CString& path,
                                   std::initializer_list<std::wstring> involved) {
    if (error == win32_error::kAccessDenied) {
        for (const std::wstring& file : involved)
            if (native::HeldWithoutDeleteSharing(file))
                throw CFileException(CFileException::sharingViolation, static_cast<long>(error), path);
    }
    ThrowWin32FileError(error, path);
}

}  // namespace

CFile::CFile() = default;

CFile::CFile(const CString& path, unsigned flags) {
    CFileException error;
    if (!Open(path, flags, &error)) throw error;
}

CFile::~CFile() {
    if (IsOpen()) native::CloseFileHandle(m_impl->handle);
}

bool CFile::Open(const CString& path, unsigned flags, CFileException* error) {
    if (IsOpen()) native::CloseFileHandle(m_impl->handle);
    m_impl.reset();
    m_strPath = path;

    auto fail = [&](int cause, std::uint32_t osError) {
        if (error) *error = CFileException(cause, static_cast<long>(osError), path);
        return false;
    };

    native::Access access;
    switch (flags & 0x3u) {
        case modeRead:
            access = native::Access::read;
            break;
        case modeWrite:
            access = native::Access::write;
            break;
        case modeReadWrite:
            access = native::Access::readWrite;
            break;
        default:
            return fail(CFileException::genericException, win32_error::kInvalidParameter);
    }
    native::Sharing sharing;
    bool exclusive = false;
    switch (flags & 0x70u) {
        case shareCompat:
        case shareExclusive:
            sharing = native::Sharing::none;
            exclusive = true;
            break;
        case shareDenyWrite:
            sharing = native::Sharing::read;
            break;
        case shareDenyRead:
            sharing = native::Sharing::write;
            break;
        default:  // shareDenyNone (and the unused values above it, shared as on POSIX)
            sharing = native::Sharing::readWrite;
            break;
    }
    native::Disposition disposition = native::Disposition::openExisting;
    if (flags & modeCreate)
        disposition = (flags & modeCreateNew)    ? native::Disposition::createNew
                      : (flags & modeNoTruncate) ? native::Disposition::openAlways
                                                 : native::Disposition::createAlways;

    // CreateFileW decides sharing before CREATE_ALWAYS empties the file: a refused open never
    // destroys the content of a file that someone else holds.
    if (HasOverlongName(path.str())) return fail(CFileException::badPath, kFilenameExcedRange);
    const std::wstring native = Win32Path(path);
    native::OpenResult opened = native::OpenFileHandle(native, access, sharing, disposition, exclusive);
    bool canRename = exclusive;
    if (!opened.handle && exclusive && opened.error == win32_error::kAccessDenied) {
        // No right to delete the file here: open it all the same; MoveOver then moves it by name.
        opened = native::OpenFileHandle(native, access, sharing, disposition, false);
        canRename = false;
    }
    if (!opened.handle) return fail(Win32ErrorToFileCause(opened.error), opened.error);

    m_impl = std::make_unique<Impl>();
    m_impl->handle = opened.handle;
    m_impl->flags = flags;
    m_impl->canRename = canRename;
    return true;
}

namespace {

[[noreturn]] void ThrowNotOpen(const CString& path) {
    throw CFileException(CFileException::invalidFile, static_cast<long>(win32_error::kInvalidHandle), path);
}

}  // namespace

UINT CFile::Read(void* buffer, UINT count) {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    char* out = static_cast<char*>(buffer);
    UINT done = 0;
    while (done < count) {
        std::uint32_t n = 0;
        if (const std::uint32_t err = native::ReadSome(m_impl->handle, out + done, count - done, n))
            ThrowWin32FileError(err, m_strPath);
        if (n == 0) break;  // the end of the file
        done += n;
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count) {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    // The emulated size limit: the part that fits goes out, then the write fails as a full disk.
    UINT allowed = count;
    if (const std::uint64_t limit = FileSizeLimit()) {
        const std::uint64_t position = GetPosition();
        const std::uint64_t room = position < limit ? limit - position : 0;
        if (room < count) allowed = static_cast<UINT>(room);
    }
    const char* in = static_cast<const char*>(buffer);
    UINT done = 0;
    while (done < allowed) {
        std::uint32_t n = 0;
        if (const std::uint32_t err = native::WriteSome(m_impl->handle, in + done, allowed - done, n))
            ThrowWin32FileError(err, m_strPath);
        if (n == 0) ThrowWin32FileError(win32_error::kDiskFull, m_strPath);  // a file that takes nothing is full
        done += n;
    }
    if (allowed < count) ThrowWin32FileError(win32_error::kDiskFull, m_strPath);
}

std::uint64_t CFile::Seek(std::int64_t offset, int from) {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    if (from != begin && from != current && from != end)
        throw CFileException(CFileException::badSeek, static_cast<long>(win32_error::kInvalidParameter), m_strPath);
    std::uint64_t position = 0;
    // A position before the start of the file is ERROR_NEGATIVE_SEEK, that is badSeek.
    if (const std::uint32_t err = native::SeekHandle(m_impl->handle, offset, from, position))
        ThrowWin32FileError(err, m_strPath);
    return position;
}

std::uint64_t CFile::GetLength() const {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    std::uint64_t size = 0;
    if (const std::uint32_t err = native::HandleFileSize(m_impl->handle, size)) ThrowWin32FileError(err, m_strPath);
    return size;
}

void CFile::SetLength(std::uint64_t length) {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    // Beyond the emulated size limit, as ftruncate beyond the POSIX one.
    if (const std::uint64_t limit = FileSizeLimit(); limit != 0 && length > limit)
        ThrowWin32FileError(win32_error::kDiskFull, m_strPath);
    const std::uint64_t position = GetPosition();
    std::uint64_t ignored = 0;
    std::uint32_t err = native::SeekHandle(m_impl->handle, static_cast<std::int64_t>(length), begin, ignored);
    if (!err) err = native::CutAtPosition(m_impl->handle);
    // The position stays where it was, whether or not the length changed.
    native::SeekHandle(m_impl->handle, static_cast<std::int64_t>(position), begin, ignored);
    if (err) ThrowWin32FileError(err, m_strPath);
}

std::uint64_t CFile::GetPosition() const {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    std::uint64_t position = 0;
    if (const std::uint32_t err = native::SeekHandle(m_impl->handle, 0, current, position))
        ThrowWin32FileError(err, m_strPath);
    return position;
}

void CFile::Flush() {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    if (const std::uint32_t err = native::FlushHandle(m_impl->handle)) ThrowWin32FileError(err, m_strPath);
    if (auto* observer = g_flushObserver.load()) observer(m_strPath);
}

void SetFileFlushObserverForTesting(void (*observer)(const CString& path)) {
    g_flushObserver = observer;
}

void CFile::Close() {
    if (!IsOpen()) {
        m_impl.reset();
        return;
    }
    const std::uint32_t err = native::CloseFileHandle(m_impl->handle);
    m_impl.reset();
    if (err) ThrowWin32FileError(err, m_strPath);
}

void CFile::Abort() {
    if (IsOpen()) native::CloseFileHandle(m_impl->handle);
    m_impl.reset();
}

bool CFile::IsOpen() const {
    return m_impl && m_impl->handle;
}

void CFile::Remove(const CString& path) {
    const std::wstring native = Win32Path(path);
    if (const std::uint32_t err = native::DeletePath(native)) ThrowChangeError(err, path, {native});
}

void CFile::Rename(const CString& from, const CString& to) {
    // Never replaces an existing file (ERROR_ALREADY_EXISTS, that is accessDenied).
    const std::wstring source = Win32Path(from);
    if (const std::uint32_t err = native::MovePath(source, Win32Path(to), false)) ThrowChangeError(err, from, {source});
}

void CFile::Replace(const CString& from, const CString& to) {
    const std::wstring source = Win32Path(from);
    const std::wstring target = Win32Path(to);
    if (const std::uint32_t err = native::MovePath(source, target, true)) ThrowChangeError(err, from, {source, target});
}

void CFile::MoveOver(const CString& to) {
    if (!IsOpen()) ThrowNotOpen(m_strPath);
    const std::wstring target = Win32Path(to);
    if (m_impl->canRename) {
        if (const std::uint32_t err = native::RenameByHandle(m_impl->handle, target, true))
            ThrowChangeError(err, m_strPath, {target});
        m_strPath = to;
        return;
    }
    // Without DELETE access the file cannot be renamed while this handle is open: close it, move
    // it, and open it again (under its new name when the move succeeded) where it was.
    // This class's own members throughout: a derived reader keeps its state consistent with them.
    const CString from = m_strPath;
    const unsigned flags = m_impl->flags & ~static_cast<unsigned>(modeCreate | modeNoTruncate);
    const std::uint64_t position = CFile::GetPosition();
    CFile::Close();
    const std::wstring source = Win32Path(from);
    const std::uint32_t err = native::MovePath(source, target, true);
    CFileException reopenError;
    if (!CFile::Open(err ? from : to, flags, &reopenError)) throw reopenError;
    CFile::Seek(static_cast<std::int64_t>(position), begin);
    if (err) ThrowChangeError(err, from, {source, target});
}
