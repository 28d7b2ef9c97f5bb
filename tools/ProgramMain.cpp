#include "tools/ProgramMain.h"

#include "platform/TextConv.h"

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
