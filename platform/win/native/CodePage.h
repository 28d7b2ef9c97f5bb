// Conversions between wide text and the system's code pages (WideCharToMultiByte,
// MultiByteToWideChar), for the Win32 backends. Standard types only: this header is included by
// files that also see the platform layer's own declarations.
#pragma once

#include <cstdint>
#include <string>

namespace native {

// The system's ANSI code page (GetACP), e.g. 936 on a Chinese system, 1252 on a Western one.
std::uint32_t AnsiCodePage();

// Whether the system can convert with the code page (IsValidCodePage).
bool IsValidCodePage(std::uint32_t codePage);

// Wide (UTF-16) text in the code page; a character the page lacks becomes the page's default
// character ('?'). `error` is GetLastError() when the conversion fails (the result is then empty),
// 0 otherwise.
std::string WideToCodePage(std::uint32_t codePage, const std::wstring& wide, std::uint32_t& error);

// The bytes as wide text, read in the code page. Bytes that are no character of the page (a lead
// byte without its trail, a trail byte that the lead does not take, a byte the page leaves
// undefined) each become U+FFFD and the decoding goes on with the next byte, so damaged text still
// yields everything around the damage. Single bytes that a double-byte page maps only to a
// private-use placeholder (0xFF of 936, 0xA0 of 932, ...) count as undefined. `error` is
// GetLastError() when the page cannot be used at all (the result is then empty), 0 otherwise.
std::wstring CodePageToWide(std::uint32_t codePage, const std::string& bytes, std::uint32_t& error);

}  // namespace native
