// Reading the result of one ping from its output.
#include "speedtest/PingOutput.h"

#include <climits>
#include <cwctype>

namespace {

bool Contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

void SkipBlanks(const std::wstring& text, size_t& pos) {
    while (pos < text.size() && std::iswspace(static_cast<wint_t>(text[pos]))) ++pos;
}

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

// "Average = %dms", read as the C library's scanner reads that pattern: blanks around "=" are
// optional and the number may be signed; the trailing "ms" does not decide the match. A negative
// or out-of-range number does not read (it would be taken for one of the codes); "-0" is zero, as
// the scanner reads it.
int ReadWindowsAverage(const std::wstring& text, size_t pos) {
    pos += 7;  // "Average"
    SkipBlanks(text, pos);
    if (pos >= text.size() || text[pos] != L'=') return -1;
    ++pos;
    SkipBlanks(text, pos);
    const bool negative = pos < text.size() && text[pos] == L'-';
    if (pos < text.size() && (text[pos] == L'+' || negative)) ++pos;
    if (pos >= text.size() || !IsDigit(text[pos])) return -1;
    long long value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        value = value * 10 + (text[pos] - L'0');
        if (value > INT_MAX) return -1;
        ++pos;
    }
    return negative && value != 0 ? -1 : static_cast<int>(value);
}

// "min/avg/max[/mdev] = a/b/c[/d] ms": b rounded to the nearest whole number.
int ReadPosixAverage(const std::wstring& text, size_t pos) {
    const size_t eq = text.find(L'=', pos);
    const size_t lineEnd = text.find(L'\n', pos);
    if (eq == std::wstring::npos || (lineEnd != std::wstring::npos && eq > lineEnd)) return -1;
    pos = eq + 1;
    SkipBlanks(text, pos);
    // Skip the minimum.
    while (pos < text.size() && (IsDigit(text[pos]) || text[pos] == L'.')) ++pos;
    if (pos >= text.size() || text[pos] != L'/') return -1;
    ++pos;
    if (pos >= text.size() || !IsDigit(text[pos])) return -1;
    long long whole = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        whole = whole * 10 + (text[pos] - L'0');
        if (whole > INT_MAX) return -1;
        ++pos;
    }
    if (pos < text.size() && text[pos] == L'.') {
        ++pos;
        if (pos < text.size() && IsDigit(text[pos]) && text[pos] >= L'5') ++whole;
        while (pos < text.size() && IsDigit(text[pos])) ++pos;
    }
    if (pos >= text.size() || text[pos] != L'/' || whole > INT_MAX) return -1;
    return static_cast<int>(whole);
}

}  // namespace

int ParsePingOutput(const std::wstring& output) {
    if (Contains(output, L"Request timed out")) return -1;
    if (Contains(output, L"Source quench received") || Contains(output, L"Source Quench")) return -2;
    const size_t average = output.find(L"Average");
    if (average != std::wstring::npos) return ReadWindowsAverage(output, average);
    const size_t summary = output.find(L"min/avg/max");
    if (summary != std::wstring::npos) return ReadPosixAverage(output, summary);
    // A POSIX summary without round-trip line: nothing came back.
    if (Contains(output, L"100% packet loss") || Contains(output, L" 0 received") ||
        Contains(output, L" 0 packets received"))
        return -1;
    return -3;
}
