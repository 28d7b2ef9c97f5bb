// WildcardMatch: Windows wildcard patterns, with one matcher for every backend.
//
// The matcher is our own: fnmatch() folds case through the process locale (ASCII only in the
// "C" locale a host may run in) and gives '[' and '\' meanings that Windows patterns do not
// have; the Windows listing calls also match 8.3 short names and have DOS wildcard quirks. Neither
// the standard library nor Boost offers Windows wildcard matching, and both backends of CFileFind
// filter their listing through this function so that a pattern gives the same answers everywhere.
#include <algorithm>
#include <string>

#include "platform/CaseFold.h"
#include "platform/File.h"

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
    const std::wstring& n = name.str();
    // A pattern ending in '.' asks for the names with as many dots as the rest of the pattern
    // holds: "*." lists the names without a dot, "x.y." finds "x.y" (names never end in a dot).
    const size_t kept = p.find_last_not_of(L'.');
    if (kept != std::wstring::npos && kept + 1 < p.size()) {
        const std::wstring stem = p.substr(0, kept + 1);
        return std::count(n.begin(), n.end(), L'.') == std::count(stem.begin(), stem.end(), L'.') &&
               MatchPlain(stem, n);
    }
    if (MatchPlain(p, n)) return true;
    // A trailing ".*" may also match the end of a name that has no such dot, once per ".*":
    // "*.*.*" lists every name, as "*.*" does.
    return p.size() >= 2 && p.compare(p.size() - 2, 2, L".*") == 0 && WildcardMatch(p.substr(0, p.size() - 2), n);
}
