// The listing behind CFileFind on Windows: FindFirstFileExW / FindNextFileW list the whole
// directory and WildcardMatch (platform/WildcardMatch.cpp) keeps the names the pattern accepts.
// The system's own matching is not used: it also matches the 8.3 short names ("*.txt" finds
// "notes.txt1" through "NOTES~1.TXT") and gives '<', '>' and '"' DOS meanings, so the same pattern
// would give other answers here than on POSIX, where the monitor's sweeps and listings are tested.
#include "platform/File.h"
#include "platform/FileFindBackend.h"
#include "platform/win/WinFiles.h"
#include "platform/win/native/FileApi.h"

namespace file_find_backend {

std::size_t DirectoryEnd(const std::wstring& pattern) {
    const std::size_t cut = pattern.find_last_of(L"\\/");
    // "X:pattern" lists the current directory of drive X.
    if (cut == std::wstring::npos && pattern.size() >= 2 && pattern[1] == L':') return 1;
    return cut;
}

void ListMatching(const CString& dir, const CString& namePattern, std::vector<FoundEntry>& found) {
    std::vector<native::DirectoryEntry> listed;
    native::ListDirectory(Win32Path(dir + L"*"), listed);
    for (native::DirectoryEntry& entry : listed) {
        CString name(std::move(entry.name));
        if (WildcardMatch(namePattern, name)) found.push_back(FoundEntry{std::move(name), entry.directory});
    }
}

}  // namespace file_find_backend
