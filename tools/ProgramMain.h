// The entry shape of the command-line programs: each defines ProgramMain and gets its arguments
// in UTF-8, the library's narrow text, on every platform. On Windows the arguments come from the
// wide command line (wmain), so that a folder name the ANSI code page lacks (Chinese on a Western
// system) reaches the program whole.
//
// The narrow form of std::filesystem::path is the ANSI code page on Windows, not UTF-8: paths go
// between the programs' text and std::filesystem only through the helpers below, which keep every
// character on both platforms.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/CString.h"

// The program itself: `args` are the arguments after the program's name, in UTF-8.
int ProgramMain(const std::vector<std::string>& args);

// A UTF-8 text (an argument) as a path.
std::filesystem::path PathFromUtf8(const std::string& utf8);
// A path as UTF-8 text, for printing and for the library's narrow text.
std::string Utf8(const std::filesystem::path& path);
// A path as the library's wide text.
CString WidePath(const std::filesystem::path& path);
