// The directory listing behind CFileFind (platform/File.h), one backend per platform
// (platform/posix/FileFind.cpp, platform/win/FileFind.cpp). platform/FileFind.cpp splits the
// pattern, orders the names and walks them. Internal to the platform layer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/CString.h"

namespace file_find_backend {

struct FoundEntry {
    CString name;
    bool directory;
};

// Position of the character that ends the directory part of `pattern` (kept with that part), or
// npos when the pattern is a bare name pattern for the current directory.
std::size_t DirectoryEnd(const std::wstring& pattern);
// Appends the entries of directory `dir` (the pattern's directory part, with its separator; empty
// for the current directory) whose names WildcardMatch accepts for `namePattern`, in the file
// system's order. Appends nothing when the directory cannot be read.
void ListMatching(const CString& dir, const CString& namePattern, std::vector<FoundEntry>& found);

}  // namespace file_find_backend
