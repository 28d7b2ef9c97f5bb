// The file-size limit seam of the Win32 backend. Windows has no per-process limit on file sizes
// (the POSIX backend sets RLIMIT_FSIZE), so this is a process-wide value that CFile::Write and
// CFile::SetLength check (and WriteFileBytesAtomic through them): a write crossing it writes the
// part that fits and then fails with diskFull, as a write crossing the POSIX limit does.
#include <atomic>

#include "platform/File.h"
#include "platform/win/WinFiles.h"

namespace {
std::atomic<std::uint64_t> g_limit{0};
}  // namespace

bool SetFileSizeLimitForTesting(std::uint64_t bytes) {
    // 0 restores the state before the first call: no limit.
    g_limit = bytes;
    return true;
}

std::uint64_t FileSizeLimit() {
    return g_limit.load();
}
