// Whole-file helpers and path conversion of the POSIX backend.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "platform/posix/PosixIo.h"

std::string NativePath(const CString& path) {
    std::string native = WideToNarrow(path);
    for (auto& ch : native)
        if (ch == '\\') ch = '/';
    return native;
}

bool PathFileExists(const CString& path) {
    struct stat st;
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool ReadFileBytes(const CString& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

namespace {

// The file a write to `target` should replace: the end of a chain of symbolic links, so that
// replacing it keeps the link instead of turning it into a plain file.
std::string ResolveTarget(const std::string& target) {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    char* resolved = ::realpath(target.c_str(), nullptr);
    if (!resolved) return target;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

void SyncDirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileBytesAtomic(const CString& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    IgnoreFileSizeSignal();
    const std::string target = ResolveTarget(NativePath(path));
    // The temporary name ends in '~' plus a number, never in '$', so it is not taken for a
    // container's temporary file. It is held without sharing from its creation to its rename, so
    // the monitor's sweep of interrupted writes (which removes "*.tmp*~") cannot take it away from
    // a write in progress in another process.
    // The temporary file is always a new one: a name already taken (a leftover, a planted link)
    // is never written through; the next number is tried instead.
    std::string temp;
    CFile file;
    for (int attempt = 0;; ++attempt) {
        temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "~";
        CFileException error;
        if (file.Open(CString(NarrowToWide(temp)),
                      CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite | CFile::shareExclusive, &error))
            break;
        if (error.m_lOsError != EEXIST || attempt >= 100) return false;
    }
    // A replaced file keeps its permissions.
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
    try {
        constexpr size_t kMaxWrite = size_t{1} << 30;
        for (size_t done = 0; done < bytes.size(); done += kMaxWrite)
            file.Write(bytes.data() + done, static_cast<UINT>(std::min(kMaxWrite, bytes.size() - done)));
        file.Flush();
        if (::rename(temp.c_str(), target.c_str()) != 0) throw CFileException(ErrnoToFileCause(errno), errno);
        // Everything is on the disk already: an error of the close changes nothing.
        file.Abort();
    } catch (const CFileException&) {
        ::unlink(temp.c_str());
        file.Abort();
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

bool CreateFileIfMissing(const CString& path) {
    const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool MakeSureDirectoryPathExists(const std::string& narrowPath) {
    std::string path = narrowPath;
    for (auto& ch : path)
        if (ch == '\\') ch = '/';
    // Only the part up to the last separator names directories.
    const size_t last = path.find_last_of('/');
    if (last == std::string::npos) return true;
    path.resize(last + 1);
    // A prefix that cannot be created (an existing ancestor without write permission, say) is
    // not an error by itself: what counts is that the whole path is a directory at the end.
    for (size_t pos = 1; pos < path.size(); ++pos) {
        if (path[pos] != '/' || path[pos - 1] == '/') continue;
        ::mkdir(path.substr(0, pos).c_str(), 0777);
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeSureDirectoryPathExists(const CString& path) {
    // The system narrow text is UTF-8 here: nothing is lost.
    return MakeSureDirectoryPathExists(WideToAnsi(path));
}
