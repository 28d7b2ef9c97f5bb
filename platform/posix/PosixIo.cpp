// errno translation, complete writes and the file-size signal of the POSIX file code.
#include "platform/posix/PosixIo.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/File.h"

int ErrnoToFileCause(int error) {
    switch (error) {
        case 0:
            return CFileException::none;
        case ENOENT:
            return CFileException::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP:
            return CFileException::badPath;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EEXIST:
        case ETXTBSY:
            return CFileException::accessDenied;
        case EMFILE:
        case ENFILE:
            return CFileException::tooManyOpenFiles;
        case EWOULDBLOCK:
            return CFileException::sharingViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return CFileException::diskFull;
        case EIO:
            return CFileException::hardIO;
        case EBADF:
            return CFileException::invalidFile;
        default:
            return CFileException::genericException;
    }
}

void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) != 0) return;
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGXFSZ, &ignore, nullptr);
        }
    });
}

int WriteAllBytes(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return ENOSPC;  // a regular file that accepts nothing is full
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream out;
    out << in.rdbuf();
    text = out.str();
    return !in.bad();
}
