// Element and attribute names as CMarkup writes them.
//
// A name that is a valid XML name is written as it is, so files in the usual style read and write
// as themselves. Any other non-empty name (blanks, '|', '&', '<', quotes, a leading digit...) is
// written in an escaped form that is itself a valid XML name: the prefix "_-" followed by the
// name, where every character that an XML name cannot hold, and the '.' that serves as the escape
// character, is written as '.', its code in lower-case hexadecimal and '.' again:
//
//     "||File|Open"   ->  "_-.7c..7c.File.7c.Open"
//     "Open File"     ->  "_-Open.20.File"
//     "3D"            ->  "_-3D"          (a digit may follow the prefix, not start a name)
//
// Valid names that begin with the prefix are escaped as well ("_-x" -> "_-_-x"), so every
// written form stands for exactly one name. A name read from a file is decoded only when it is
// exactly the form that this writer would produce for the decoded name; anything else ("_-",
// "_-a|b", "_-.41.") is taken literally, so a name written by another tool never changes its
// meaning unless it happens to be the escaped form of a name that needs one.
#include <cstdint>

#include "host/MarkupDocument.h"

namespace markup {
namespace {

constexpr std::wstring_view kPrefix = L"_-";

bool IsNameStartChar(std::uint32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(std::uint32_t c) {
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

std::uint32_t Code(wchar_t c) {
    if constexpr (sizeof(wchar_t) == 2) return static_cast<std::uint16_t>(c);
    return static_cast<std::uint32_t>(c);
}

bool IsWrittenAsIs(std::wstring_view name) {
    if (name.empty() || !IsNameStartChar(Code(name[0]))) return false;
    for (size_t i = 1; i < name.size(); ++i)
        if (!IsNameChar(Code(name[i]))) return false;
    return name.substr(0, kPrefix.size()) != kPrefix;
}

void AppendEscapedName(std::wstring& out, std::wstring_view name) {
    static constexpr wchar_t kHex[] = L"0123456789abcdef";
    out += kPrefix;
    for (const wchar_t ch : name) {
        const std::uint32_t c = Code(ch);
        if (c != '.' && IsNameChar(c)) {
            out += ch;
            continue;
        }
        out += L'.';
        int shift = 28;
        while (shift > 0 && ((c >> shift) & 0xF) == 0) shift -= 4;
        for (; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
        out += L'.';
    }
}

}  // namespace

void AppendName(std::wstring& out, std::wstring_view name) {
    if (IsWrittenAsIs(name))
        out += name;
    else
        AppendEscapedName(out, name);
}

std::wstring DecodeName(std::wstring_view written) {
    if (written.substr(0, kPrefix.size()) != kPrefix) return std::wstring(written);
    std::wstring name;
    size_t i = kPrefix.size();
    while (i < written.size()) {
        if (written[i] != L'.') {
            name += written[i++];
            continue;
        }
        std::uint32_t c = 0;
        size_t j = i + 1;
        for (; j < written.size() && j - i <= 8; ++j) {
            const wchar_t h = written[j];
            if (h >= L'0' && h <= L'9')
                c = (c << 4) | static_cast<std::uint32_t>(h - L'0');
            else if (h >= L'a' && h <= L'f')
                c = (c << 4) | static_cast<std::uint32_t>(h - L'a' + 10);
            else
                break;
        }
        if (j == i + 1 || j >= written.size() || written[j] != L'.') return std::wstring(written);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c > 0xFFFF) return std::wstring(written);
        }
        name += static_cast<wchar_t>(c);
        i = j + 1;
    }
    // Only the exact form this writer produces stands for another name.
    std::wstring check;
    if (!name.empty()) AppendName(check, name);
    return check == written ? name : std::wstring(written);
}

}  // namespace markup
