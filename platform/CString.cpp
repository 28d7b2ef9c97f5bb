// CString members that need more than one line.
//
// Format() rewrites the format to the C library's wide-printf convention before calling
// vswprintf: on POSIX, "%s" in a wide format expects a narrow string, whereas the Windows
// convention the monitor is written in makes "%s" a wide string. Each conversion without a
// length modifier ('s', 'c', 'S', 'C') is given the modifier that selects the intended width.
#include "platform/CString.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

std::wstring ToCLibraryFormat(const wchar_t* format) {
    std::wstring out;
    out.reserve(std::wcslen(format) + 8);
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        out += *p++;
        if (*p == L'%') {
            out += *p++;
            continue;
        }
        // flags, width, precision
        while (*p && std::wcschr(L"-+ #0", *p)) out += *p++;
        while (*p && (std::iswdigit(*p) || *p == L'*')) out += *p++;
        if (*p == L'.') {
            out += *p++;
            while (*p && (std::iswdigit(*p) || *p == L'*')) out += *p++;
        }
        // length modifier
        bool narrow = false;
        bool wide = false;
        if (*p == L'h' && (p[1] == L's' || p[1] == L'c')) {
            narrow = true;
            ++p;
        } else if (*p == L'l' && (p[1] == L's' || p[1] == L'c')) {
            wide = true;
            ++p;
        } else if (*p == L'w' && (p[1] == L's' || p[1] == L'c')) {
            wide = true;
            ++p;
        } else {
            while (*p && std::wcschr(L"hlLqjzt", *p)) out += *p++;
        }
        if (!*p) break;
        wchar_t conv = *p++;
        if (conv == L's' || conv == L'c') {
            if (!narrow || wide) out += L'l';
            out += conv;
        } else if (conv == L'S' || conv == L'C') {
            // Windows: the opposite width of the format, i.e. narrow in a wide format.
            out += (conv == L'S') ? L's' : L'c';
        } else {
            out += conv;
        }
    }
    return out;
}

}  // namespace

void CString::FormatV(const wchar_t* format, va_list args) {
    if (!format) {
        m_str.clear();
        return;
    }
    const std::wstring fmt = ToCLibraryFormat(format);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int written = std::vswprintf(buffer.data(), buffer.size(), fmt.c_str(), copy);
        va_end(copy);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
            m_str.assign(buffer.data(), static_cast<size_t>(written));
            return;
        }
        // vswprintf reports -1 both for a too-small buffer and for an encoding error; grow up to
        // a generous bound, then give up with what the format produced so far.
        if (buffer.size() >= (1u << 24)) {
            m_str.clear();
            return;
        }
        buffer.resize(buffer.size() * 4);
    }
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
