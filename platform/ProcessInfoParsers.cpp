// Parsers of the /proc texts that the POSIX backend of the process readings reads. Pure functions
// over the text, shared by every build so that their tests run everywhere.
#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

#include "platform/ProcessInfo.h"

namespace {

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
