// WildcardMatch: Windows wildcard patterns, with one matcher for every backend.
//
// The matcher is our own: fnmatch() folds case through the process locale (ASCII only in the
// "C" locale a host may run in) and gives '[' and '\' meanings that Windows patterns do not
// have; the Windows listing calls also match 8.3 short names and have DOS wildcard quirks. Neither
// the standard library nor Boost offers Windows wildcard matching, and both backends of CFileFind
// filter their listing through this function so that a pattern gives the same answers everywhere.
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
    if (MatchPlain(p, name.str())) return true;
    // A trailing ".*" may also match the end of a name that has no such dot.
    return p.size() >= 2 && p.compare(p.size() - 2, 2, L".*") == 0 && MatchPlain(p.substr(0, p.size() - 2), name.str());
}
