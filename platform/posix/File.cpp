// CFile on POSIX: opens with sharing, reads, writes, seeks, removal and renaming.
//
// Exclusive opens: flock() keeps other processes out, but a second open inside this process
// must be refused too, and lock semantics inside one process vary with the file system (on some,
// flock is emulated with record locks, which never conflict within a process). So every open file
// is also entered in a process-wide table keyed by device and inode; the table decides inside the
// process and flock decides between processes. The table's mutex is held across the check, the
// lock and the entry, so two threads opening the same file cannot both succeed.
//
// Truncation (modeCreate without modeNoTruncate) happens only after the sharing check, so a
// refused open never destroys the content of a file that someone else holds.
//
// Removal, renaming and replacement first open the file exclusively, as an open would, and make
// the change while they hold it: a file that anyone holds through CFile, in this process or
// another, is refused with sharingViolation, as Windows refuses it. An open that raced with such a
// change may have got the file that is gone from its path; once it holds its lock it checks that
// the path still names its file, and opens again if not.
#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>  // renameat2
#include <map>
#include <mutex>
#include <utility>

#include "platform/posix/PosixIo.h"

namespace {

using FileKey = std::pair<dev_t, ino_t>;

struct Holders {
    int count = 0;
    bool exclusive = false;
};

struct OpenFileTable {
    std::mutex mutex;
    std::map<FileKey, Holders> files;
};

OpenFileTable& Table() {
    // Never destroyed: files may still be closed by static destructors at exit.
    static OpenFileTable* table = new OpenFileTable;
    return *table;
}

std::atomic<void (*)(const CString&)> g_flushObserver{nullptr};

[[noreturn]] void ThrowFileError(int error, const CString& path) {
    throw CFileException(ErrnoToFileCause(error), error, path);
}

}  // namespace

struct CFile::Impl {
    int fd = -1;
    FileKey key{};

    // Leaves the table and closes the descriptor (which releases the flock) in one step under the
    // table's mutex, so no other open sees the entry gone while the lock is still held or the
    // other way round. Returns 0 or the errno of close().
    int Release() {
        OpenFileTable& table = Table();
        std::lock_guard<std::mutex> lock(table.mutex);
        auto it = table.files.find(key);
        if (it != table.files.end() && --it->second.count <= 0) table.files.erase(it);
        const int rc = ::close(fd);
        fd = -1;
        // After EINTR the descriptor is closed on Linux all the same.
        return (rc != 0 && errno != EINTR) ? errno : 0;
    }
};

CFile::CFile() = default;

CFile::CFile(const CString& path, unsigned flags) {
    CFileException error;
    if (!Open(path, flags, &error)) throw error;
}

CFile::~CFile() {
    if (m_impl && m_impl->fd >= 0) m_impl->Release();
}

namespace {

// How often an open starts again when the file at its path was replaced or removed each time.
constexpr int kOpenAttempts = 100;

// True when `native` still names the file of `st` (a removal or replacement did not take it away
// between the open and the lock).
bool PathStillNames(const std::string& native, const struct stat& st) {
    struct stat now;
    return ::stat(native.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino;
}

}  // namespace

bool CFile::Open(const CString& path, unsigned flags, CFileException* error) {
    if (m_impl && m_impl->fd >= 0) m_impl->Release();
    m_impl.reset();
    m_strPath = path;
    IgnoreFileSizeSignal();

    auto fail = [&](int cause, int osError) {
        if (error) *error = CFileException(cause, osError, path);
        return false;
    };

    int oflags = O_CLOEXEC;
    switch (flags & 0x3u) {
        case modeRead:
            oflags |= O_RDONLY;
            break;
        case modeWrite:
            oflags |= O_WRONLY;
            break;
        case modeReadWrite:
            oflags |= O_RDWR;
            break;
        default:
            return fail(CFileException::genericException, EINVAL);
    }
    if (flags & modeCreate) oflags |= O_CREAT;
    if ((flags & modeCreate) && (flags & modeCreateNew)) oflags |= O_EXCL;
    const bool truncate = (flags & modeCreate) && !(flags & modeNoTruncate) && !(flags & modeCreateNew);
    const unsigned share = flags & 0x70u;
    const bool exclusive = share == shareCompat || share == shareExclusive;

    const std::string native = NativePath(path);
    for (int attempt = 0;; ++attempt) {
        int fd;
        do {
            fd = ::open(native.c_str(), oflags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return fail(ErrnoToFileCause(errno), errno);

        struct stat st;
        if (::fstat(fd, &st) != 0) {
            const int err = errno;
            ::close(fd);
            return fail(ErrnoToFileCause(err), err);
        }
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            return fail(CFileException::accessDenied, EISDIR);
        }

        auto impl = std::make_unique<Impl>();
        impl->fd = fd;
        impl->key = FileKey(st.st_dev, st.st_ino);
        {
            OpenFileTable& table = Table();
            std::lock_guard<std::mutex> lock(table.mutex);
            auto it = table.files.find(impl->key);
            if (it != table.files.end() && (it->second.exclusive || exclusive)) {
                ::close(fd);
                return fail(CFileException::sharingViolation, EWOULDBLOCK);
            }
            int rc;
            do {
                rc = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
            } while (rc != 0 && errno == EINTR);
            // A file system without flock support still opens the file; the table guards the process.
            if (rc != 0 && errno == EWOULDBLOCK) {
                ::close(fd);
                return fail(CFileException::sharingViolation, EWOULDBLOCK);
            }
            if (!PathStillNames(native, st)) {
                // Removed or replaced between the open and the lock: this is not the file at the
                // path any more. Open again (which finds the new file, creates one or fails).
                ::close(fd);
                if (attempt + 1 >= kOpenAttempts) return fail(CFileException::sharingViolation, EWOULDBLOCK);
                continue;
            }
            Holders& holders = table.files[impl->key];
            ++holders.count;
            holders.exclusive = exclusive;
        }
        if (truncate && ::ftruncate(fd, 0) != 0) {
            const int err = errno;
            impl->Release();
            return fail(ErrnoToFileCause(err), err);
        }
        m_impl = std::move(impl);
        return true;
    }
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    char* out = static_cast<char*>(buffer);
    UINT done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_impl->fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowFileError(errno, m_strPath);
        }
        if (n == 0) break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    if (const int err = WriteAllBytes(m_impl->fd, buffer, count)) ThrowFileError(err, m_strPath);
}

std::uint64_t CFile::Seek(std::int64_t offset, int from) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    int whence;
    switch (from) {
        case begin:
            whence = SEEK_SET;
            break;
        case current:
            whence = SEEK_CUR;
            break;
        case end:
            whence = SEEK_END;
            break;
        default:
            throw CFileException(CFileException::badSeek, EINVAL, m_strPath);
    }
    const off_t pos = ::lseek(m_impl->fd, static_cast<off_t>(offset), whence);
    if (pos < 0) {
        // EINVAL here means a position before the start of the file.
        if (errno == EINVAL) throw CFileException(CFileException::badSeek, EINVAL, m_strPath);
        ThrowFileError(errno, m_strPath);
    }
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetLength() const {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    struct stat st;
    if (::fstat(m_impl->fd, &st) != 0) ThrowFileError(errno, m_strPath);
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::SetLength(std::uint64_t length) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    int rc;
    do {
        rc = ::ftruncate(m_impl->fd, static_cast<off_t>(length));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) ThrowFileError(errno, m_strPath);
}

void CFile::Flush() {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    int rc;
    do {
        rc = ::fsync(m_impl->fd);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) ThrowFileError(errno, m_strPath);
    if (auto* observer = g_flushObserver.load()) observer(m_strPath);
}

void SetFileFlushObserverForTesting(void (*observer)(const CString& path)) {
    g_flushObserver = observer;
}

std::uint64_t CFile::GetPosition() const {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    const off_t pos = ::lseek(m_impl->fd, 0, SEEK_CUR);
    if (pos < 0) ThrowFileError(errno, m_strPath);
    return static_cast<std::uint64_t>(pos);
}

void CFile::Close() {
    if (!IsOpen()) {
        m_impl.reset();
        return;
    }
    const int err = m_impl->Release();
    m_impl.reset();
    if (err) ThrowFileError(err, m_strPath);
}

void CFile::Abort() {
    if (IsOpen()) m_impl->Release();
    m_impl.reset();
}

bool CFile::IsOpen() const {
    return m_impl && m_impl->fd >= 0;
}

namespace {

// Holds the regular file at `path` exclusively for a removal, a rename or a replacement. Throws
// sharingViolation while anyone holds it open; a file that cannot be opened for another reason
// (missing, unreadable, not a regular file) is left to the system call, which gives its error.
// Symbolic links are not followed: the change applies to the link itself.
void HoldForChange(CFile& hold, const CString& path) {
    struct stat st;
    if (::lstat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    CFileException error;
    if (!hold.Open(path, CFile::modeRead | CFile::shareExclusive, &error) &&
        error.m_cause == CFileException::sharingViolation)
        throw error;
}

}  // namespace

void CFile::Remove(const CString& path) {
    CFile hold;
    HoldForChange(hold, path);
    if (::unlink(NativePath(path).c_str()) != 0) ThrowFileError(errno, path);
}

void CFile::Rename(const CString& from, const CString& to) {
    const std::string source = NativePath(from);
    const std::string target = NativePath(to);
    CFile hold;
    HoldForChange(hold, from);
    // Like the Windows call, a rename never replaces an existing file.
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno != EINVAL && errno != ENOSYS) ThrowFileError(errno, from);
    // File systems without RENAME_NOREPLACE: check first, then rename.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) ThrowFileError(EEXIST, from);
    if (::rename(source.c_str(), target.c_str()) != 0) ThrowFileError(errno, from);
}

void CFile::Replace(const CString& from, const CString& to) {
    CFile hold;
    HoldForChange(hold, from);
    if (hold.IsOpen()) {
        hold.MoveOver(to);
        return;
    }
    // Not openable (missing, say): the rename reports why.
    CFile holdTarget;
    HoldForChange(holdTarget, to);
    if (::rename(NativePath(from).c_str(), NativePath(to).c_str()) != 0) ThrowFileError(errno, from);
}

void CFile::MoveOver(const CString& to) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    // The file in the way is held across the rename: refused while someone holds it, and nobody
    // can open it between the check and the rename.
    CFile holdTarget;
    HoldForChange(holdTarget, to);
    if (::rename(NativePath(m_strPath).c_str(), NativePath(to).c_str()) != 0) ThrowFileError(errno, m_strPath);
    m_strPath = to;
}
