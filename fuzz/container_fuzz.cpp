// Fuzz target of the container reader: arbitrary bytes are written to a scratch file and
// unscrambled in place. A file that is not a whole container must stay as it was; one that is
// must come out as exactly its recorded length, and scrambling that content and unscrambling it
// again must give it back unchanged.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "store/Container.h"

namespace {

const std::filesystem::path& ScratchFile() {
    static const std::filesystem::path path = [] { return FuzzScratchDir("container_fuzz") / "DATB6000"; }();
    return path;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Whether the bytes hold a header whose length fits the file, as the reader requires.
bool LooksWhole(const std::string& bytes, std::uint32_t& length) {
    if (bytes.size() < 8 || bytes.size() % 8 != 0 || bytes.compare(0, 4, "KVRA") != 0) return false;
    length = 0;
    for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(bytes[4 + i]);
    const std::uint64_t size = bytes.size();
    return std::uint64_t{length} + 8 <= size && size <= std::uint64_t{length} + 16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path& path = ScratchFile();
    const std::string temporary = path.string() + "$";
    WriteAll(path, input);

    std::uint32_t length = 0;
    const bool whole = LooksWhole(input, length);
    const bool unscrambled = UnscrambleFile(path.string().c_str());
    std::filesystem::remove(temporary);
    if (unscrambled != whole) std::abort();
    const std::string plain = ReadAll(path);
    if (!whole) {
        if (plain != input) std::abort();  // a rejected file is left as it was
        return 0;
    }
    if (plain.size() != length) std::abort();

    if (!ScrambleFile(path.string().c_str())) std::abort();
    const std::string scrambled = ReadAll(path);
    if (scrambled.size() != 8 + (plain.size() + 7) / 8 * 8 || scrambled.compare(0, 4, "KVRA") != 0) std::abort();
    if (!UnscrambleFile(path.string().c_str()) || ReadAll(path) != plain) std::abort();
    if (std::filesystem::exists(temporary)) std::abort();
    return 0;
}
