// Win32 backend of the system's ANSI code page: the code page GetACP names.
#include "platform/TextConv.h"
#include "platform/win/native/CodePage.h"

std::string WideToAnsi(const std::wstring& wide) {
    std::uint32_t error = 0;
    return native::WideToCodePage(native::AnsiCodePage(), wide, error);
}

std::wstring AnsiToWide(const std::string& ansi) {
    std::uint32_t error = 0;
    return native::CodePageToWide(native::AnsiCodePage(), ansi, error);
}
