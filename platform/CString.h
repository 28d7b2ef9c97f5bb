// CString: the wide string of every text and path in the library.
//
// A thin value class over std::wstring with the members of the classic framework string that the
// monitor's code uses. Comparison is ordinal (by wchar_t code unit), so keys sort and compare the
// same way on every platform. Format() follows the Windows wide-printf convention: "%s" and "%c"
// take wide arguments ("%hs"/"%hc" take narrow ones), whatever the C library's own rule is.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>

#include "platform/WinTypes.h"

class QZ_HOST_API CString {
public:
    CString() = default;
    CString(const wchar_t* text) : m_str(text ? text : L"") {}
    CString(const wchar_t* text, int length) : m_str(text ? std::wstring(text, length) : std::wstring()) {}
    CString(const std::wstring& text) : m_str(text) {}
    CString(std::wstring&& text) : m_str(std::move(text)) {}
    explicit CString(wchar_t ch, int repeat = 1) : m_str(repeat > 0 ? repeat : 0, ch) {}

    // Length in wchar_t code units (one per character on POSIX, UTF-16 units on Windows).
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const wchar_t* GetString() const { return m_str.c_str(); }
    operator const wchar_t*() const { return m_str.c_str(); }
    const std::wstring& str() const { return m_str; }
    std::wstring& str() { return m_str; }

    wchar_t GetAt(int index) const { return m_str.at(static_cast<size_t>(index)); }
    void SetAt(int index, wchar_t ch) { m_str.at(static_cast<size_t>(index)) = ch; }

    // printf-style formatting into this string; returns nothing, like the classic member.
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormat(const wchar_t* format, ...);

    // Replaces every occurrence of `from` by `to`; returns the number of replacements.
    int Replace(wchar_t from, wchar_t to);
    int Replace(const wchar_t* from, const wchar_t* to);
    // Index of the first occurrence at or after `start`, or -1.
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;

    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

    int Compare(const wchar_t* other) const { return m_str.compare(other ? other : L""); }

    CString& operator=(const wchar_t* text) {
        m_str = text ? text : L"";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_str += other.m_str;
        return *this;
    }
    CString& operator+=(const wchar_t* text) {
        if (text) m_str += text;
        return *this;
    }
    CString& operator+=(wchar_t ch) {
        m_str += ch;
        return *this;
    }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
    friend CString operator+(const CString& a, const wchar_t* b) { return CString(a.m_str + (b ? b : L"")); }
    friend CString operator+(const wchar_t* a, const CString& b) { return CString((a ? a : L"") + b.m_str); }
    friend CString operator+(const CString& a, wchar_t b) { return CString(a.m_str + b); }

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_str == (b ? b : L""); }
    friend bool operator==(const wchar_t* a, const CString& b) { return b == a; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }

private:
    std::wstring m_str;
};

template <>
struct std::hash<CString> {
    size_t operator()(const CString& s) const noexcept { return std::hash<std::wstring>()(s.str()); }
};
