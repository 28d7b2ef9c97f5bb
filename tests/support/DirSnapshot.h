// A snapshot of a folder tree (names, kinds, sizes, modification times and every byte of every
// file) for tests that check a tool changed nothing there.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

struct DirSnapshot {
    // One line per entry: "relative/path dir" or "relative/path <size> bytes, mtime <ticks>".
    std::vector<std::string> listing;
    // The content of each regular file, by relative path.
    std::map<std::string, std::string> contents;

    bool operator==(const DirSnapshot&) const = default;
};

inline DirSnapshot TakeSnapshot(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    DirSnapshot snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string name = fs::relative(it->path(), root).generic_string();
        if (it->is_directory()) {
            snapshot.listing.push_back(name + " dir");
            continue;
        }
        const auto mtime = fs::last_write_time(it->path(), ec).time_since_epoch().count();
        snapshot.listing.push_back(name + " " + std::to_string(it->file_size(ec)) + " bytes, mtime " +
                                   std::to_string(mtime));
        std::ifstream in(it->path(), std::ios::binary);
        std::string& bytes = snapshot.contents[name];
        bytes.resize(it->file_size(ec));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(in.gcount()));
    }
    std::sort(snapshot.listing.begin(), snapshot.listing.end());
    return snapshot;
}

// Sets the modification time of every file under `root` an hour back, so that a rewrite with the
// same bytes still shows in a snapshot.
inline void AgeFiles(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) fs::last_write_time(entry.path(), past);
}
