// The scratch folder of a fuzz target: in memory (/dev/shm) where the system has one, so that the
// files an input goes through cost no disk work (new inodes, fsync of the saved documents), else
// under the temporary directory. Created once per process under a name of its own and removed
// when the target exits.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

inline const std::filesystem::path& FuzzScratchDir(const char* target) {
    static const std::filesystem::path dir = [target] {
        std::error_code ec;
        // FUZZ_SCRATCH: a folder the caller removes afterwards (the scripts make one per target),
        // so that nothing is left in memory when a target ends by a finding or a signal.
        const char* chosen = std::getenv("FUZZ_SCRATCH");
        const std::filesystem::path shm = "/dev/shm";
        const std::filesystem::path base = chosen && std::filesystem::is_directory(chosen, ec) ? chosen
                                           : std::filesystem::is_directory(shm, ec)
                                               ? shm
                                               : std::filesystem::temp_directory_path();
        auto path = base / (std::string(target) + "_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(FuzzScratchDir(nullptr), ignored);
        });
        return path;
    }();
    return dir;
}
