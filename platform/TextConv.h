// Conversion between wide text and the system's narrow ("ANSI") text.
//
// On POSIX the narrow form is always UTF-8, whatever locale the process has set (a host that
// never calls setlocale must still handle Chinese paths and texts), so these functions never
// consult the C library's locale. Malformed input is replaced by U+FFFD (wide) or '?' (narrow)
// rather than cutting the text short.
#pragma once

#include <string>

#include "platform/CString.h"

QZ_HOST_API std::string WideToNarrow(const std::wstring& wide);
QZ_HOST_API std::wstring NarrowToWide(const std::string& narrow);
inline std::string WideToNarrow(const CString& wide) {
    return WideToNarrow(wide.str());
}

// Wide text <-> the system's ANSI code page, for the narrow texts at the platform's edge only (the
// container's narrow paths, the host's ping service, directory creation, the ping command's
// output). On POSIX the ANSI code page is UTF-8 (the functions above); on Windows it is the code
// page GetACP names (936 on a Chinese system), and a character that page lacks becomes '?' (wide
// to narrow) while bytes that are no character of it become U+FFFD (narrow to wide). UTF-8 file
// contents use WideToNarrow / NarrowToWide on every platform.
QZ_HOST_API std::string WideToAnsi(const std::wstring& wide);
QZ_HOST_API std::wstring AnsiToWide(const std::string& ansi);
inline std::string WideToAnsi(const CString& wide) {
    return WideToAnsi(wide.str());
}

// Decodes the bytes of a text file: UTF-8 (with or without byte-order mark), UTF-16 LE/BE with a
// byte-order mark, or, when `declaredEncoding` names another character set (as an XML declaration
// does: "GBK", "GB2312", ...), that character set through iconv. Unknown encodings fall back to
// UTF-8 with replacement characters.
QZ_HOST_API std::wstring DecodeText(const std::string& bytes, const std::string& declaredEncoding = std::string());
