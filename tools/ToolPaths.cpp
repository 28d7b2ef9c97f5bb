// The path helpers of ProgramMain.h, apart from the entry point so that code shared with tests and
// benchmarks can use them.
#include "platform/TextConv.h"
#include "tools/ProgramMain.h"

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

CString WidePath(const std::filesystem::path& path) {
    return CString(NarrowToWide(Utf8(path)));
}
