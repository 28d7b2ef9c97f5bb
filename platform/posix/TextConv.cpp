// POSIX backend of the system's ANSI code page: UTF-8, whatever locale the process has set.
#include "platform/TextConv.h"

std::string WideToAnsi(const std::wstring& wide) {
    return WideToNarrow(wide);
}

std::wstring AnsiToWide(const std::string& ansi) {
    return NarrowToWide(ansi);
}
