// UTF-16 byte streams <-> wide text, for the readers of text files with a UTF-16 byte-order mark
// (line reader, profile files) and for rewriting such files in their own encoding.
//
// Written by hand rather than with Boost.Locale's UTF-16 traits: those consume the unit that
// follows a lone high surrogate, so one damaged character would swallow the next good one. Here a
// lone surrogate becomes U+FFFD and decoding resumes on the very next unit, as NarrowToWide does
// for malformed UTF-8. Internal to the platform layer.
#pragma once

#include <cstddef>
#include <string>

// Decodes `size` bytes of UTF-16 (little- or big-endian); an odd last byte becomes U+FFFD.
std::wstring Utf16BytesToWide(const char* data, size_t size, bool bigEndian);
// Encodes wide text as UTF-16 bytes (no byte-order mark).
std::string WideToUtf16Bytes(const std::wstring& text, bool bigEndian);
// Appends one code point (a surrogate pair where wchar_t is 16 bits wide).
void AppendCodePoint(std::wstring& out, char32_t cp);
