#include "tools/ProgramMain.h"

#include "platform/TextConv.h"

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

#ifdef _WIN32
// Linked with -municode: the C runtime passes the command line as UTF-16.
extern "C" int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(WideToNarrow(std::wstring(argv[i])));
    return ProgramMain(args);
}
#else
int main(int argc, char** argv) {
    return ProgramMain(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
