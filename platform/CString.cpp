// CString members that need more than one line.
//
// Format() follows the Windows wide-printf convention ("%s" and "%c" wide, "%hs", "%hc", "%S" and
// "%C" narrow, "%I64d" a 64-bit integer) on every C library. It walks the format itself, taking
// each argument with its Windows type: numbers are formatted one conversion at a time by
// swprintf with a C-standard format, and texts are placed by our own code. Narrow texts
// are converted from the system ANSI code page here, not by the C library, whose conversion
// follows the process locale and fails on every non-ASCII byte in the "C" locale. "%n" writes
// nothing: a format never stores through an argument.
#include "platform/CString.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "platform/TextConv.h"

namespace {

// One conversion, as read from the format.
struct Conversion {
    std::wstring flags;
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    enum Size { plain, hh, h, l, ll, j, z, t, L } size = plain;
    bool narrowText = false;  // 'h' before 's'/'c', or 'S'/'C'
    wchar_t conversion = 0;
};

// swprintf of one numeric conversion, growing the buffer as needed.
template <typename T>
std::wstring FormatOne(const std::wstring& conv, T value) {
    std::vector<wchar_t> buffer(64);
    for (;;) {
        const int written = std::swprintf(buffer.data(), buffer.size(), conv.c_str(), value);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size())
            return std::wstring(buffer.data(), static_cast<size_t>(written));
        if (buffer.size() >= (1u << 24)) return std::wstring();
        buffer.resize(buffer.size() * 4);
    }
}

// The C-standard format of `conv` with its width and precision written out and `length`
// as its length modifier.
std::wstring CFormatOf(const Conversion& conv, const wchar_t* length) {
    std::wstring out = L"%" + conv.flags;
    if (conv.width >= 0) out += std::to_wstring(conv.width);
    if (conv.precision >= 0) out += L"." + std::to_wstring(conv.precision);
    return out + length + conv.conversion;
}

// A text cut to the precision and padded with blanks to the width.
std::wstring PlaceText(const Conversion& conv, std::wstring text) {
    if (conv.precision >= 0 && text.size() > static_cast<size_t>(conv.precision))
        text.resize(static_cast<size_t>(conv.precision));
    if (conv.width >= 0 && text.size() < static_cast<size_t>(conv.width)) {
        const std::wstring pad(static_cast<size_t>(conv.width) - text.size(), L' ');
        text = conv.flags.find(L'-') != std::wstring::npos ? text + pad : pad + text;
    }
    return text;
}

// Reads the conversion after a '%' at `p`; false when the format ends inside it.
bool ReadConversion(const wchar_t*& p, va_list& args, Conversion& conv) {
    while (*p && std::wcschr(L"-+ #0", *p)) conv.flags += *p++;
    if (*p == L'*') {
        conv.width = va_arg(args, int);
        if (conv.width < 0) {
            conv.flags += L'-';
            conv.width = -conv.width;
        }
        ++p;
    } else if (std::iswdigit(*p)) {
        conv.width = 0;
        while (std::iswdigit(*p)) conv.width = std::min(conv.width * 10 + (*p++ - L'0'), 1 << 20);
    }
    if (*p == L'.') {
        ++p;
        conv.precision = 0;
        if (*p == L'*') {
            conv.precision = va_arg(args, int);
            if (conv.precision < 0) conv.precision = -1;
            ++p;
        } else {
            while (std::iswdigit(*p)) conv.precision = std::min(conv.precision * 10 + (*p++ - L'0'), 1 << 20);
        }
    }
    if (p[0] == L'h' && p[1] == L'h') {
        conv.size = Conversion::hh;
        p += 2;
    } else if (p[0] == L'l' && p[1] == L'l') {
        conv.size = Conversion::ll;
        p += 2;
    } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
        conv.size = Conversion::ll;
        p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
        p += 3;
    } else if (*p == L'I') {  // pointer-sized
        conv.size = Conversion::z;
        ++p;
    } else if (*p == L'h') {
        conv.size = Conversion::h;
        conv.narrowText = true;
        ++p;
    } else if (*p == L'l' || *p == L'w') {
        conv.size = Conversion::l;
        ++p;
    } else if (*p == L'L' || *p == L'q') {
        conv.size = *p == L'q' ? Conversion::ll : Conversion::L;
        ++p;
    } else if (*p == L'j' || *p == L'z' || *p == L't') {
        conv.size = *p == L'j' ? Conversion::j : *p == L'z' ? Conversion::z : Conversion::t;
        ++p;
    }
    if (!*p) return false;
    conv.conversion = *p++;
    if (conv.conversion == L'S' || conv.conversion == L'C') {
        conv.narrowText = conv.size != Conversion::l;
        conv.conversion = static_cast<wchar_t>(std::towlower(conv.conversion));
    } else if (conv.size == Conversion::l) {
        conv.narrowText = false;
    }
    return true;
}

std::wstring FormatSigned(const Conversion& conv, va_list& args) {
    switch (conv.size) {
        case Conversion::ll:
            return FormatOne(CFormatOf(conv, L"ll"), va_arg(args, long long));
        case Conversion::l:
            return FormatOne(CFormatOf(conv, L"l"), va_arg(args, long));
        case Conversion::j:
            return FormatOne(CFormatOf(conv, L"j"), va_arg(args, std::intmax_t));
        case Conversion::z:
        case Conversion::t:
            return FormatOne(CFormatOf(conv, L"t"), va_arg(args, std::ptrdiff_t));
        case Conversion::hh:
            return FormatOne(CFormatOf(conv, L"hh"), va_arg(args, int));
        case Conversion::h:
            return FormatOne(CFormatOf(conv, L"h"), va_arg(args, int));
        default:
            return FormatOne(CFormatOf(conv, L""), va_arg(args, int));
    }
}

std::wstring FormatUnsigned(const Conversion& conv, va_list& args) {
    switch (conv.size) {
        case Conversion::ll:
            return FormatOne(CFormatOf(conv, L"ll"), va_arg(args, unsigned long long));
        case Conversion::l:
            return FormatOne(CFormatOf(conv, L"l"), va_arg(args, unsigned long));
        case Conversion::j:
            return FormatOne(CFormatOf(conv, L"j"), va_arg(args, std::uintmax_t));
        case Conversion::z:
        case Conversion::t:
            return FormatOne(CFormatOf(conv, L"z"), va_arg(args, std::size_t));
        case Conversion::hh:
            return FormatOne(CFormatOf(conv, L"hh"), va_arg(args, unsigned int));
        case Conversion::h:
            return FormatOne(CFormatOf(conv, L"h"), va_arg(args, unsigned int));
        default:
            return FormatOne(CFormatOf(conv, L""), va_arg(args, unsigned int));
    }
}

// The text of one conversion, taking its argument from `args`.
std::wstring FormatConversion(const Conversion& conv, va_list& args) {
    switch (conv.conversion) {
        case L'd':
        case L'i':
            return FormatSigned(conv, args);
        case L'u':
        case L'o':
        case L'x':
        case L'X':
            return FormatUnsigned(conv, args);
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            if (conv.size == Conversion::L) return FormatOne(CFormatOf(conv, L"L"), va_arg(args, long double));
            return FormatOne(CFormatOf(conv, L""), va_arg(args, double));
        case L'p':
            return FormatOne(CFormatOf(conv, L""), va_arg(args, void*));
        case L'c': {
            const int ch = va_arg(args, int);
            Conversion text = conv;
            text.precision = -1;
            if (conv.narrowText) return PlaceText(text, AnsiToWide(std::string(1, static_cast<char>(ch))));
            return PlaceText(text, std::wstring(1, static_cast<wchar_t>(ch)));
        }
        case L's':
            if (conv.narrowText) {
                const char* narrow = va_arg(args, const char*);
                return PlaceText(conv, narrow ? AnsiToWide(narrow) : std::wstring(L"(null)"));
            } else {
                const wchar_t* wide = va_arg(args, const wchar_t*);
                return PlaceText(conv, wide ? std::wstring(wide) : std::wstring(L"(null)"));
            }
        case L'n':
            (void)va_arg(args, void*);
            return std::wstring();
        default:  // not a conversion: the character itself, as the Windows library prints it
            return std::wstring(1, conv.conversion);
    }
}

}  // namespace

void CString::FormatV(const wchar_t* format, va_list args) {
    m_str.clear();
    if (!format) return;
    va_list walk;
    va_copy(walk, args);
    std::wstring out;
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += *p++;
            continue;
        }
        Conversion conv;
        if (!ReadConversion(p, walk, conv)) break;
        out += FormatConversion(conv, walk);
    }
    va_end(walk);
    m_str = std::move(out);
}

void CString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const wchar_t* format, ...) {
    CString tail;
    va_list args;
    va_start(args, format);
    tail.FormatV(format, args);
    va_end(args);
    m_str += tail.m_str;
}

int CString::Replace(wchar_t from, wchar_t to) {
    int count = 0;
    for (auto& ch : m_str) {
        if (ch == from) {
            ch = to;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const wchar_t* from, const wchar_t* to) {
    if (!from || !*from) return 0;
    const std::wstring needle(from);
    const std::wstring replacement(to ? to : L"");
    int count = 0;
    std::wstring result;
    size_t pos = 0;
    for (;;) {
        const size_t hit = m_str.find(needle, pos);
        if (hit == std::wstring::npos) break;
        result.append(m_str, pos, hit - pos);
        result += replacement;
        pos = hit + needle.size();
        ++count;
    }
    if (count) {
        result.append(m_str, pos, std::wstring::npos);
        m_str.swap(result);
    }
    return count;
}

int CString::Find(wchar_t ch, int start) const {
    if (start < 0 || static_cast<size_t>(start) > m_str.size()) return -1;
    const size_t hit = m_str.find(ch, static_cast<size_t>(start));
    return hit == std::wstring::npos ? -1 : static_cast<int>(hit);
}

int CString::Find(const wchar_t* sub, int start) const {
    if (!sub || start < 0 || static_cast<size_t>(start) > m_str.size()) return -1;
    const size_t hit = m_str.find(sub, static_cast<size_t>(start));
    return hit == std::wstring::npos ? -1 : static_cast<int>(hit);
}

int CString::ReverseFind(wchar_t ch) const {
    const size_t hit = m_str.rfind(ch);
    return hit == std::wstring::npos ? -1 : static_cast<int>(hit);
}

CString CString::Left(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString& CString::MakeUpper() {
    for (auto& ch : m_str) ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
    return *this;
}

CString& CString::MakeLower() {
    for (auto& ch : m_str) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    return *this;
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_str.size() && std::iswspace(static_cast<wint_t>(m_str[i]))) ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = m_str.size();
    while (n > 0 && std::iswspace(static_cast<wint_t>(m_str[n - 1]))) --n;
    m_str.erase(n);
    return *this;
}

CString& CString::Trim() {
    return TrimLeft().TrimRight();
}
