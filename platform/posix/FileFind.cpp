// The listing behind CFileFind on POSIX: readdir, keeping the names that WildcardMatch
// (platform/WildcardMatch.cpp) accepts, so patterns mean the same on every backend.
#include <dirent.h>
#include <sys/stat.h>

#include "platform/File.h"
#include "platform/FileFindBackend.h"
#include "platform/TextConv.h"

namespace file_find_backend {

std::size_t DirectoryEnd(const std::wstring& pattern) {
    return pattern.find_last_of(L"\\/");
}

void ListMatching(const CString& dir, const CString& namePattern, std::vector<FoundEntry>& found) {
    // `dir` ends with its separator; a lone separator is the root.
    const int length = dir.GetLength();
    const std::string nativeDir = length == 0   ? std::string(".")
                                  : length == 1 ? std::string("/")
                                                : NativePath(dir.Left(length - 1));
    DIR* handle = ::opendir(nativeDir.c_str());
    if (!handle) return;
    while (const dirent* entry = ::readdir(handle)) {
        const CString name(NarrowToWide(entry->d_name));
        if (!WildcardMatch(namePattern, name)) continue;
        bool directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st;
            const std::string path = nativeDir + "/" + entry->d_name;
            directory = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        found.push_back(FoundEntry{name, directory});
    }
    ::closedir(handle);
}

}  // namespace file_find_backend
