// Whole-file reads and writes for tests that compare or prepare files byte by byte.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/TextConv.h"

// The file's bytes; empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file with `bytes`, creating its folder when missing.
inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A wide path as the standard library's path: taken as it is on Windows, in the system narrow
// text (UTF-8) elsewhere, so that every character survives on both.
inline std::filesystem::path FsPath(const std::wstring& wide) {
#ifdef _WIN32
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(WideToNarrow(wide));
#endif
}
