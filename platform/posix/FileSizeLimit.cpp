// The file-size limit seam of the POSIX backend: the soft RLIMIT_FSIZE of the process.
#include <sys/resource.h>

#include <mutex>

#include "platform/File.h"
#include "platform/posix/PosixIo.h"

bool SetFileSizeLimitForTesting(std::uint64_t bytes) {
    static std::mutex mutex;
    static bool saved = false;
    static rlim_t original = RLIM_INFINITY;
    std::lock_guard<std::mutex> lock(mutex);
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    if (!saved) {
        original = limit.rlim_cur;
        saved = true;
    }
    // A write beyond the limit must fail with EFBIG, not end the process.
    IgnoreFileSizeSignal();
    limit.rlim_cur = bytes == 0 ? original : static_cast<rlim_t>(bytes);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) limit.rlim_cur = limit.rlim_max;
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}
