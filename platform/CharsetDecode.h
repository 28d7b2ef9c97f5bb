// The backend of DecodeText for character sets other than UTF-8 and UTF-16: iconv on POSIX, the
// Windows code page of the set (MultiByteToWideChar) on Windows. Internal to the platform layer.
#pragma once

#include <string>

// Decodes `bytes` in the character set `charset` (an upper-case name such as "GBK", "BIG5",
// "ISO-8859-1"). Bytes that do not belong to the set each become U+FFFD and decoding goes on with
// the next byte. False when the set is not known; `result` is then left as it was.
bool DecodeCharset(const std::string& bytes, const std::string& charset, std::wstring& result);
