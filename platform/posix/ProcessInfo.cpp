// Resource use of the running process, POSIX backend: /proc/self for memory, getrusage for times.
#include "platform/ProcessInfo.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <mutex>
#include <string_view>

#include "platform/posix/PosixIo.h"

namespace {

std::mutex g_seamMutex;
ProcessMemorySource g_memorySource;
ProcessTimesSource g_timesSource;

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

// Reads an unsigned decimal at the start of `text` (after blanks); advances `text` past it.
bool TakeNumber(std::string_view& text, std::uint64_t& value) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == first) return false;
    text.remove_prefix(static_cast<size_t>(end - first));
    return true;
}

// The value of a "Name:   123 kB" line, in bytes.
bool FindKilobytes(std::string_view text, std::string_view name, std::uint64_t& bytes) {
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.size() <= name.size() || line.substr(0, name.size()) != name || line[name.size()] != ':') continue;
        line.remove_prefix(name.size() + 1);
        std::uint64_t kilobytes = 0;
        if (!TakeNumber(line, kilobytes)) return false;
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
        if (line != "kB") return false;
        if (kilobytes > std::numeric_limits<std::uint64_t>::max() / 1024) return false;
        bytes = kilobytes * 1024;
        return true;
    }
    return false;
}

bool ReadRealMemory(std::uint64_t& workingSet, std::uint64_t& peak) {
    std::string text;
    if (ReadWholeFile("/proc/self/status", text) && ParseProcStatusMemory(text, workingSet, peak)) return true;
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pageSize <= 0 || !ReadWholeFile("/proc/self/statm", text)) return false;
    if (!ParseProcStatmResident(text, static_cast<std::uint64_t>(pageSize), workingSet)) return false;
    peak = workingSet;
    return true;
}

std::uint64_t To100ns(const struct timeval& tv) {
    return static_cast<std::uint64_t>(tv.tv_sec) * 10000000ULL + static_cast<std::uint64_t>(tv.tv_usec) * 10ULL;
}

bool ReadRealTimes(std::uint64_t& kernel, std::uint64_t& user) {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return false;
    kernel = To100ns(usage.ru_stime);
    user = To100ns(usage.ru_utime);
    return true;
}

DWORD Clamp32(std::uint64_t value) {
    return static_cast<DWORD>(std::min<std::uint64_t>(value, std::numeric_limits<DWORD>::max()));
}

FILETIME ToFileTime(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFULL), static_cast<DWORD>(value >> 32)};
}

}  // namespace

bool ParseProcStatusMemory(const std::string& text, std::uint64_t& workingSet, std::uint64_t& peakWorkingSet) {
    std::uint64_t rss = 0;
    if (!FindKilobytes(text, "VmRSS", rss)) return false;
    std::uint64_t hwm = 0;
    workingSet = rss;
    peakWorkingSet = FindKilobytes(text, "VmHWM", hwm) ? std::max(hwm, rss) : rss;
    return true;
}

bool ParseProcStatmResident(const std::string& text, std::uint64_t pageSize, std::uint64_t& workingSet) {
    std::string_view rest(text);
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    if (!TakeNumber(rest, size) || rest.empty() || !IsBlank(rest.front()) || !TakeNumber(rest, resident)) return false;
    if (pageSize != 0 && resident > std::numeric_limits<std::uint64_t>::max() / pageSize) return false;
    workingSet = resident * pageSize;
    return true;
}

BOOL GetProcessMemoryInfo(PROCESS_MEMORY_COUNTERS* counters, DWORD cb) {
    if (!counters || cb < sizeof(PROCESS_MEMORY_COUNTERS)) return FALSE;
    ProcessMemorySource source;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        source = g_memorySource;
    }
    std::uint64_t workingSet = 0;
    std::uint64_t peak = 0;
    if (!(source ? source(workingSet, peak) : ReadRealMemory(workingSet, peak))) return FALSE;
    *counters = PROCESS_MEMORY_COUNTERS{};
    counters->cb = sizeof(PROCESS_MEMORY_COUNTERS);
    counters->WorkingSetSize = Clamp32(workingSet);
    counters->PeakWorkingSetSize = Clamp32(peak);
    return TRUE;
}

BOOL GetProcessTimes(FILETIME* kernelTime, FILETIME* userTime) {
    if (!kernelTime || !userTime) return FALSE;
    ProcessTimesSource source;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        source = g_timesSource;
    }
    std::uint64_t kernel = 0;
    std::uint64_t user = 0;
    if (!(source ? source(kernel, user) : ReadRealTimes(kernel, user))) return FALSE;
    *kernelTime = ToFileTime(kernel);
    *userTime = ToFileTime(user);
    return TRUE;
}

void SetProcessMemoryInfoForTesting(ProcessMemorySource source) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_memorySource = std::move(source);
}

void SetProcessTimesForTesting(ProcessTimesSource source) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_timesSource = std::move(source);
}
