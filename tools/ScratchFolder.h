// A private scratch folder for a tool's work: a new directory under the temporary directory,
// created by this process (a name that already exists, a planted link among them, is never taken
// over), readable by its owner only, and removed with everything in it when the object goes.
#pragma once

#include <filesystem>

class ScratchFolder {
public:
    // Throws std::runtime_error when no folder could be created.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
