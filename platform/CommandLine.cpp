// Splitting of a command line into arguments by the rules of the Windows process start.
//
// Written by hand: it reproduces the Windows argument rules, which no POSIX library implements.
// The POSIX backend starts programs from its result; the Windows backend hands the command line to
// the system as it is and uses the split only to refuse a line that names no program.
#include <string>
#include <vector>

#include "platform/Process.h"

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> args;
    const size_t size = commandLine.size();
    size_t i = 0;
    auto isBlank = [](wchar_t ch) { return ch == L' ' || ch == L'\t'; };

    // The program: up to the next blank, or inside quotes up to the next quote; no escapes.
    while (i < size && isBlank(commandLine[i])) ++i;
    if (i == size) return args;
    std::wstring program;
    bool quoted = false;
    for (; i < size; ++i) {
        const wchar_t ch = commandLine[i];
        if (ch == L'"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && isBlank(ch)) break;
        program += ch;
    }
    args.push_back(program);

    // The arguments.
    for (;;) {
        while (i < size && isBlank(commandLine[i])) ++i;
        if (i == size) break;
        std::wstring arg;
        bool inQuotes = false;
        while (i < size) {
            const wchar_t ch = commandLine[i];
            if (ch == L'\\') {
                size_t slashes = 0;
                while (i < size && commandLine[i] == L'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < size && commandLine[i] == L'"') {
                    arg.append(slashes / 2, L'\\');
                    if (slashes % 2 == 1) {
                        arg += L'"';
                        ++i;
                    }
                    // An even count leaves the quote to be handled as a group mark below.
                } else {
                    arg.append(slashes, L'\\');
                }
                continue;
            }
            if (ch == L'"') {
                if (inQuotes && i + 1 < size && commandLine[i + 1] == L'"') {
                    arg += L'"';  // "" inside a group
                    i += 2;
                    continue;
                }
                inQuotes = !inQuotes;
                ++i;
                continue;
            }
            if (!inQuotes && isBlank(ch)) break;
            arg += ch;
            ++i;
        }
        args.push_back(arg);
    }
    return args;
}
