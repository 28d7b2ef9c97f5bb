// CFile, CStdioFile, CFileFind and WildcardMatch on POSIX.
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
#include "platform/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include "platform/CaseFold.h"
#include "platform/PosixIo.h"
#include "platform/TextConv.h"
#include "platform/Utf16.h"

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

// True when this process has the file at `native` open through a CFile.
bool IsOpenInProcess(const std::string& native) {
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) return false;
    OpenFileTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.files.count(FileKey(st.st_dev, st.st_ino)) != 0;
}

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
    const bool truncate = (flags & modeCreate) && !(flags & modeNoTruncate);
    const unsigned share = flags & 0x70u;
    const bool exclusive = share == shareCompat || share == shareExclusive;

    const std::string native = NativePath(path);
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

void CFile::Remove(const CString& path) {
    const std::string native = NativePath(path);
    // As on Windows, a file that this process holds open cannot be removed.
    if (IsOpenInProcess(native)) throw CFileException(CFileException::sharingViolation, EBUSY, path);
    if (::unlink(native.c_str()) != 0) ThrowFileError(errno, path);
}

void CFile::Rename(const CString& from, const CString& to) {
    const std::string source = NativePath(from);
    const std::string target = NativePath(to);
    if (IsOpenInProcess(source)) throw CFileException(CFileException::sharingViolation, EBUSY, from);
    // Like the Windows call, a rename never replaces an existing file.
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno != EINVAL && errno != ENOSYS) ThrowFileError(errno, from);
    // File systems without RENAME_NOREPLACE: check first, then rename.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) ThrowFileError(EEXIST, from);
    if (::rename(source.c_str(), target.c_str()) != 0) ThrowFileError(errno, from);
}

// ---- CStdioFile -------------------------------------------------------------------------------

namespace {
enum Encoding { kUnknown = 0, kUtf8 = 1, kUtf16LE = 2, kUtf16BE = 3 };
constexpr size_t kReadChunk = 65536;
}  // namespace

bool CStdioFile::Open(const CString& path, unsigned flags, CFileException* error) {
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    m_encoding = kUnknown;
    return CFile::Open(path, flags, error);
}

bool CStdioFile::Fill() {
    if (m_eof) return false;
    const size_t old = m_buffer.size();
    m_buffer.resize(old + kReadChunk);
    const UINT n = CFile::Read(m_buffer.data() + old, static_cast<UINT>(kReadChunk));
    m_buffer.resize(old + n);
    if (n == 0) m_eof = true;
    return n != 0;
}

bool CStdioFile::ReadString(CString& line) {
    line.Empty();
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);

    if (m_encoding == kUnknown) {
        while (m_buffer.size() - m_pos < 3 && Fill()) {
        }
        const auto* b = reinterpret_cast<const unsigned char*>(m_buffer.data() + m_pos);
        const size_t have = m_buffer.size() - m_pos;
        m_encoding = kUtf8;
        if (have >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
            m_pos += 3;
        } else if (have >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
            m_encoding = kUtf16LE;
            m_pos += 2;
        } else if (have >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
            m_encoding = kUtf16BE;
            m_pos += 2;
        }
    }

    const size_t unit = m_encoding == kUtf8 ? 1 : 2;
    auto isNewline = [&](size_t i) {
        if (unit == 1) return m_buffer[i] == '\n';
        const char low = m_encoding == kUtf16LE ? m_buffer[i] : m_buffer[i + 1];
        const char high = m_encoding == kUtf16LE ? m_buffer[i + 1] : m_buffer[i];
        return low == '\n' && high == 0;
    };
    auto decode = [&](size_t first, size_t last) {
        std::wstring text = unit == 1 ? NarrowToWide(std::string(m_buffer.data() + first, last - first))
                                      : Utf16BytesToWide(m_buffer.data() + first, last - first, m_encoding == kUtf16BE);
        if (!text.empty() && text.back() == L'\r') text.pop_back();
        line = CString(std::move(text));
    };

    size_t scan = m_pos;
    for (;;) {
        for (; scan + unit <= m_buffer.size(); scan += unit) {
            if (isNewline(scan)) {
                decode(m_pos, scan);
                m_pos = scan + unit;
                return true;
            }
        }
        // Drop what has been consumed before reading more, so the buffer holds one line at most.
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_pos));
        scan -= m_pos;
        m_pos = 0;
        if (!Fill()) break;
    }
    if (m_pos >= m_buffer.size()) return false;
    decode(m_pos, m_buffer.size());  // last line without a line end
    m_pos = m_buffer.size();
    return true;
}

void CStdioFile::WriteString(const CString& text) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    // Bytes read ahead but not consumed: the write belongs where the reader stands.
    if (m_pos < m_buffer.size()) {
        CFile::Seek(-static_cast<std::int64_t>(m_buffer.size() - m_pos), current);
    }
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    const std::string bytes = (m_encoding == kUtf16LE || m_encoding == kUtf16BE)
                                  ? WideToUtf16Bytes(text.str(), m_encoding == kUtf16BE)
                                  : WideToNarrow(text.str());
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t chunk = std::min(bytes.size() - done, static_cast<size_t>(1) << 30);
        CFile::Write(bytes.data() + done, static_cast<UINT>(chunk));
        done += chunk;
    }
}

std::uint64_t CStdioFile::Seek(std::int64_t offset, int from) {
    if (from == current && m_pos < m_buffer.size()) offset -= static_cast<std::int64_t>(m_buffer.size() - m_pos);
    const std::uint64_t pos = CFile::Seek(offset, from);
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    if (pos == 0) m_encoding = kUnknown;  // the byte-order mark is read again
    return pos;
}

std::uint64_t CStdioFile::GetPosition() const {
    return CFile::GetPosition() - (m_buffer.size() - m_pos);
}

void CStdioFile::Close() {
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    m_encoding = kUnknown;
    CFile::Close();
}

void CStdioFile::Abort() {
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    m_encoding = kUnknown;
    CFile::Abort();
}

// ---- CFileFind and wildcards ------------------------------------------------------------------

namespace {

// '*' and '?' with backtracking to the last star: linear in practice, no recursion.
bool MatchPlain(const std::wstring& pattern, const std::wstring& name) {
    size_t p = 0;
    size_t n = 0;
    size_t star = std::wstring::npos;
    size_t mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            mark = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(const CString& pattern, const CString& name) {
    const std::wstring& p = pattern.str();
    if (MatchPlain(p, name.str())) return true;
    // A trailing ".*" may also match the end of a name that has no such dot.
    return p.size() >= 2 && p.compare(p.size() - 2, 2, L".*") == 0 && MatchPlain(p.substr(0, p.size() - 2), name.str());
}

CFileFind::CFileFind() = default;
CFileFind::~CFileFind() = default;

bool CFileFind::FindFile(const CString& pattern) {
    Close();
    const std::wstring& full = pattern.str();
    const size_t cut = full.find_last_of(L"\\/");
    CString namePattern;
    std::string nativeDir;
    if (cut == std::wstring::npos) {
        namePattern = pattern;
        nativeDir = ".";
    } else {
        m_dir = CString(full.substr(0, cut + 1));  // kept with its separator for GetFilePath
        namePattern = CString(full.substr(cut + 1));
        nativeDir = cut == 0 ? std::string("/") : NativePath(CString(full.substr(0, cut)));
    }
    DIR* dir = ::opendir(nativeDir.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const CString name(NarrowToWide(entry->d_name));
        if (!WildcardMatch(namePattern, name)) continue;
        bool directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st;
            const std::string path = nativeDir + "/" + entry->d_name;
            directory = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        m_entries.push_back(Entry{name, directory});
    }
    ::closedir(dir);
    // A stable order, whatever the file system's own order is.
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return !m_entries.empty();
}

bool CFileFind::FindNextFile() {
    if (m_next >= m_entries.size()) return false;
    ++m_next;
    return m_next < m_entries.size();
}

CString CFileFind::GetFileName() const {
    if (m_next == 0 || m_next > m_entries.size()) return CString();
    return m_entries[m_next - 1].name;
}

CString CFileFind::GetFilePath() const {
    if (m_next == 0 || m_next > m_entries.size()) return CString();
    return m_dir + m_entries[m_next - 1].name;
}

bool CFileFind::IsDirectory() const {
    return m_next > 0 && m_next <= m_entries.size() && m_entries[m_next - 1].directory;
}

bool CFileFind::IsDots() const {
    const CString name = GetFileName();
    return IsDirectory() && (name == L"." || name == L"..");
}

void CFileFind::Close() {
    m_entries.clear();
    m_next = 0;
    m_dir.Empty();
}
