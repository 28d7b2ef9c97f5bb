// Whole-line matching of the generator's two header patterns (see HeaderPatterns.h).
//
// Written by hand instead of with a regular-expression library: each pattern is a fixed sequence
// whose splits can be worked out directly, so a line is matched in one pass, in time linear in
// its length, with no recursion and no complexity limit; a line of any length is taken or left
// on its merits. A library would also bring its own dependencies into every host that loads the
// plug-in, and its character classes would follow the locale of the platform and the process:
// here they are fixed tables (IsWordCharacter and IsSpace), the same on every platform. Where
// wchar_t is 16 bits wide, a surrogate pair is one character.
#include "mapping/HeaderPatterns.h"

#include <string>

namespace {

using Text = std::wstring;
constexpr wchar_t kDefine[] = L"#define";
constexpr size_t kDefineLength = sizeof kDefine / sizeof kDefine[0] - 1;

// The character at `at` and the position after it.
char32_t CharAt(const Text& text, size_t at, size_t& next) {
    const char32_t unit = static_cast<char32_t>(text[at]);
    next = at + 1;
    if constexpr (sizeof(wchar_t) == 2) {
        if (unit >= 0xD800 && unit <= 0xDBFF && next < text.size()) {
            const char32_t low = static_cast<char32_t>(text[next]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++next;
                return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    return unit;
}

// \s: the white space of Unicode except the no-break spaces (U+00A0, U+2007, U+202F) and U+0085.
bool IsSpace(char32_t ch) {
    return (ch >= 0x09 && ch <= 0x0D) || ch == 0x20 || ch == 0x1680 || (ch >= 0x2000 && ch <= 0x2006) ||
           (ch >= 0x2008 && ch <= 0x200A) || ch == 0x2028 || ch == 0x2029 || ch == 0x205F || ch == 0x3000;
}

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

// [a-zA-Z0-9_\+]
bool IsNameCharacter(wchar_t ch) {
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') || IsDigit(ch) || ch == L'_' || ch == L'+';
}

// The end of the run of spaces that starts at `at` (all of them below `end`).
size_t SkipSpaces(const Text& text, size_t at, size_t end) {
    while (at < end) {
        size_t next;
        if (!IsSpace(CharAt(text, at, next))) break;
        at = next;
    }
    return at;
}

size_t SkipNameCharacters(const Text& text, size_t at) {
    while (at < text.size() && IsNameCharacter(text[at])) ++at;
    return at;
}

size_t SkipDigits(const Text& text, size_t at) {
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at;
}

bool StartsAt(const Text& text, size_t at, const wchar_t* literal) {
    for (size_t i = 0; literal[i]; ++i)
        if (at + i >= text.size() || text[at + i] != literal[i]) return false;
    return true;
}

// [\w\+]+ over [first, end)
bool IsCommandString(const Text& text, size_t first, size_t end) {
    if (first >= end) return false;
    for (size_t at = first; at < end;) {
        const char32_t ch = CharAt(text, at, at);
        if (ch != U'+' && !IsWordCharacter(ch)) return false;
    }
    return true;
}

CString Part(const Text& text, size_t first, size_t end) {
    return CString(text.substr(first, end - first));
}

}  // namespace

std::optional<CommandDefine> MatchCommandDefine(const CString& line) {
    const Text& text = line.str();
    const size_t n = text.size();
    // The line ends in the closing `")`; the command string holds no quote, so its opening quote
    // is the last one before that, and `_T(` stands right before it.
    if (!StartsAt(text, 0, kDefine) || n < kDefineLength + 2 || text[n - 2] != L'"' || text[n - 1] != L')')
        return std::nullopt;
    const size_t close = n - 2;
    const size_t open = text.rfind(L'"', close - 1);
    if (open == Text::npos || open < kDefineLength + 3 || !StartsAt(text, open - 3, L"_T(")) return std::nullopt;
    if (!IsCommandString(text, open + 1, close)) return std::nullopt;
    // Between "#define" and `_T(`: spaces, the name, spaces. The name holds no space, so the
    // split is the only one.
    const size_t nameEnd = open - 3;
    const size_t nameStart = SkipSpaces(text, kDefineLength, nameEnd);
    size_t end = nameStart;
    while (end < nameEnd && IsNameCharacter(text[end])) ++end;
    if (end == nameStart || SkipSpaces(text, end, nameEnd) != nameEnd) return std::nullopt;
    return CommandDefine{Part(text, nameStart, end), Part(text, open + 1, close)};
}

std::optional<RequestDefine> MatchRequestDefine(const CString& line) {
    const Text& text = line.str();
    if (!StartsAt(text, 0, kDefine)) return std::nullopt;
    const size_t nameStart = SkipSpaces(text, kDefineLength, text.size());
    if (!StartsAt(text, nameStart, L"REQID")) return std::nullopt;
    const size_t rest = nameStart + 5;
    const size_t run = SkipNameCharacters(text, rest);
    if (run == rest) return std::nullopt;

    // The whole run as the name: spaces, the number, spaces, "//".
    const size_t digits = SkipSpaces(text, run, text.size());
    const size_t digitsEnd = SkipDigits(text, digits);
    if (digitsEnd > digits) {
        const size_t comment = SkipSpaces(text, digitsEnd, text.size());
        if (StartsAt(text, comment, L"//"))
            return RequestDefine{Part(text, nameStart, run), Part(text, digits, digitsEnd),
                                 Part(text, comment + 2, text.size())};
        return std::nullopt;  // the run's end is followed by a number that no "//" follows
    }
    // The name gives back characters: only digits can make the number then, and the longest name
    // keeps all but the last one; nothing but spaces may follow before the "//".
    if (run - 1 == rest || !IsDigit(text[run - 1])) return std::nullopt;
    const size_t comment = SkipSpaces(text, run, text.size());
    if (!StartsAt(text, comment, L"//")) return std::nullopt;
    return RequestDefine{Part(text, nameStart, run - 1), Part(text, run - 1, run),
                         Part(text, comment + 2, text.size())};
}
