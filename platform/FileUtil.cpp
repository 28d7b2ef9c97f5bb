// Whole-file helpers and path conversion of the POSIX backend.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/File.h"
#include "platform/TextConv.h"

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

bool DeleteFile(const CString& path) {
    return ::unlink(NativePath(path).c_str()) == 0;
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

static bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteFileBytesAtomic(const CString& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string target = NativePath(path);
    // The temporary name ends in '~' plus a number, never in '$': the monitor's start-up sweep of
    // interrupted container files must not mistake it for one of those (nor remove it).
    const std::string temp =
        target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "~";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok) {
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool CreateFileIfMissing(const CString& path) {
    const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
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
    bool ok = true;
    for (size_t pos = 1; pos < path.size(); ++pos) {
        if (path[pos] != '/') continue;
        const std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) ok = false;
    }
    struct stat st;
    return ok && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
