#include "tools/ScratchFolder.h"

#include <random>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw std::runtime_error("no temporary directory (" + ec.message() + ")");
    std::random_device random;
    std::mt19937_64 names(random());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("monitor-tool-" + std::to_string(names()));
        // create_directory reports true only for a directory it made now; anything already at
        // that name (a directory, a file, a link) is left alone and another name is tried.
        if (fs::create_directory(candidate, ec) && !ec) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch folder in " + base.string());
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}
