// Parsing, lookup, editing and rendering of profile (INI) text.
#include "platform/ProfileText.h"

#include <algorithm>
#include <cstdint>

#include "platform/CaseFold.h"
#include "platform/TextConv.h"
#include "platform/Utf16.h"

namespace {

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f';
}

std::wstring Trim(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

void Classify(ProfileLine& line) {
    const std::wstring trimmed = Trim(line.text);
    line.name.clear();
    line.value.clear();
    line.hasEquals = false;
    if (trimmed.empty()) {
        line.kind = ProfileLine::Blank;
    } else if (trimmed.front() == L';') {
        line.kind = ProfileLine::Comment;
    } else if (trimmed.front() == L'[' && trimmed.find(L']') != std::wstring::npos) {
        line.kind = ProfileLine::Section;
        line.name = Trim(trimmed.substr(1, trimmed.rfind(L']') - 1));
    } else {
        line.kind = ProfileLine::Entry;
        const size_t equals = trimmed.find(L'=');
        if (equals == std::wstring::npos) {
            line.name = trimmed;
        } else {
            line.name = Trim(trimmed.substr(0, equals));
            line.value = Trim(trimmed.substr(equals + 1));
            line.hasEquals = true;
        }
    }
}

// Index of the first section header named `section`, or -1.
long FindSection(const ProfileDocument& document, const std::wstring& section) {
    for (size_t i = 0; i < document.lines.size(); ++i) {
        const ProfileLine& line = document.lines[i];
        if (line.kind == ProfileLine::Section && EqualsNoCase(line.name, section)) return static_cast<long>(i);
    }
    return -1;
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const ProfileDocument& document, size_t header) {
    size_t i = header + 1;
    while (i < document.lines.size() && document.lines[i].kind != ProfileLine::Section) ++i;
    return i;
}

ProfileLine MakeLine(const std::wstring& text, const std::wstring& ending) {
    ProfileLine line;
    line.text = text;
    line.ending = ending;
    Classify(line);
    return line;
}

}  // namespace

ProfileDocument ParseProfile(const std::wstring& text) {
    ProfileDocument document;
    bool newlineSeen = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != L'\n' && text[end] != L'\r') ++end;
        ProfileLine line;
        line.text = text.substr(start, end - start);
        if (end < text.size()) {
            const size_t length = (text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ? 2 : 1;
            line.ending = text.substr(end, length);
            end += length;
            if (!newlineSeen) {
                document.newline = line.ending;
                newlineSeen = true;
            }
        }
        Classify(line);
        document.lines.push_back(std::move(line));
        start = end;
    }
    return document;
}

std::wstring RenderProfile(const ProfileDocument& document) {
    std::wstring text;
    for (const ProfileLine& line : document.lines) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

ProfileDocument ParseProfileBytes(const std::string& bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    ProfileDocument document;
    if (bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        document = ParseProfile(Utf16BytesToWide(bytes.data() + 2, bytes.size() - 2, false));
        document.encoding = ProfileDocument::Utf16LE;
    } else if (bytes.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        document = ParseProfile(Utf16BytesToWide(bytes.data() + 2, bytes.size() - 2, true));
        document.encoding = ProfileDocument::Utf16BE;
    } else if (bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        document = ParseProfile(NarrowToWide(bytes.substr(3)));
        document.encoding = ProfileDocument::Utf8Bom;
    } else {
        document = ParseProfile(NarrowToWide(bytes));
    }
    return document;
}

std::string RenderProfileBytes(const ProfileDocument& document) {
    const std::wstring text = RenderProfile(document);
    switch (document.encoding) {
        case ProfileDocument::Utf16LE:
            return "\xFF\xFE" + WideToUtf16Bytes(text, false);
        case ProfileDocument::Utf16BE:
            return "\xFE\xFF" + WideToUtf16Bytes(text, true);
        case ProfileDocument::Utf8Bom:
            return "\xEF\xBB\xBF" + WideToNarrow(text);
        case ProfileDocument::Utf8:
            break;
    }
    return WideToNarrow(text);
}

bool FindProfileValue(const ProfileDocument& document, const std::wstring& section, const std::wstring& key,
                      std::wstring& value) {
    const long header = FindSection(document, Trim(section));
    if (header < 0) return false;
    const std::wstring wanted = Trim(key);
    const bool rawKey = wanted.find(L'=') != std::wstring::npos;
    const size_t end = SectionEnd(document, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        const ProfileLine& line = document.lines[i];
        if (line.kind != ProfileLine::Entry) continue;
        if (rawKey) {
            // The entry as key '=' value: a key holding '=' was cut at its first '=' when parsed.
            const std::wstring entry = line.name + L"=" + line.value;
            if (entry.size() <= wanted.size() || entry[wanted.size()] != L'=' ||
                !EqualsNoCase(entry.substr(0, wanted.size()), wanted))
                continue;
            value = Trim(entry.substr(wanted.size() + 1));
        } else {
            // A line without '=' names no value: the Windows reader passes it by.
            if (!line.hasEquals || !EqualsNoCase(line.name, wanted)) continue;
            value = line.value;
        }
        if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return true;
    }
    return false;
}

namespace {

bool IsSectionName(const std::wstring& section) {
    return !section.empty() && section.find_first_of(L"]\r\n") == std::wstring::npos;
}

std::wstring OnOneLine(std::wstring value) {
    for (auto& ch : value)
        if (ch == L'\r' || ch == L'\n') ch = L' ';
    return value;
}

// Puts the entry line `text` after the last non-blank line of the section whose header is at
// `header`, or, with no such section (-1), appends the section `section` with it.
void InsertEntryLine(ProfileDocument& document, long header, const std::wstring& section, const std::wstring& text) {
    std::vector<ProfileLine>& lines = document.lines;
    if (header < 0) {
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = document.newline;
        lines.push_back(MakeLine(L"[" + section + L"]", document.newline));
        lines.push_back(MakeLine(text, document.newline));
        return;
    }
    const size_t end = SectionEnd(document, static_cast<size_t>(header));
    size_t insertAfter = static_cast<size_t>(header);
    for (size_t i = insertAfter + 1; i < end; ++i)
        if (lines[i].kind != ProfileLine::Blank) insertAfter = i;
    if (lines[insertAfter].ending.empty()) lines[insertAfter].ending = document.newline;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAfter) + 1, MakeLine(text, document.newline));
}

}  // namespace

bool SetProfileValue(ProfileDocument& document, const std::wstring& sectionName, const std::wstring& keyName,
                     const std::wstring& rawValue, bool* changed) {
    if (changed) *changed = false;
    const std::wstring section = Trim(sectionName);
    const std::wstring key = Trim(keyName);
    if (!IsSectionName(section) || key.empty() || key.find_first_of(L"=\r\n") != std::wstring::npos) return false;
    // Leading blanks would be lost on reading anyway: the Windows writer drops them.
    std::wstring value = OnOneLine(rawValue);
    value.erase(0, std::min(value.size(), value.find_first_not_of(L" \t")));

    const long header = FindSection(document, section);
    if (header >= 0) {
        const size_t end = SectionEnd(document, static_cast<size_t>(header));
        for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
            ProfileLine& line = document.lines[i];
            if (line.kind != ProfileLine::Entry || !EqualsNoCase(line.name, key)) continue;
            if (line.value == value) return true;  // already there: the text stays as it is
            line = MakeLine(line.name + L"=" + value, line.ending.empty() ? document.newline : line.ending);
            if (changed) *changed = true;
            return true;
        }
    }
    InsertEntryLine(document, header, section, key + L"=" + value);
    if (changed) *changed = true;
    return true;
}

bool AppendProfileEntry(ProfileDocument& document, const std::wstring& sectionName, const std::wstring& keyName,
                        const std::wstring& value) {
    const std::wstring section = Trim(sectionName);
    const std::wstring key = Trim(keyName);
    if (!IsSectionName(section) || key.empty() || key.find_first_of(L"\r\n") != std::wstring::npos) return false;
    InsertEntryLine(document, FindSection(document, section), section, key + L"=" + OnOneLine(value));
    return true;
}

bool DeleteProfileEntry(ProfileDocument& document, const std::wstring& section, const std::wstring& key) {
    const long header = FindSection(document, Trim(section));
    if (header < 0) return false;
    const std::wstring wanted = Trim(key);
    const size_t end = SectionEnd(document, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        const ProfileLine& line = document.lines[i];
        if (line.kind != ProfileLine::Entry || !EqualsNoCase(line.name, wanted)) continue;
        document.lines.erase(document.lines.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

bool DeleteProfileSection(ProfileDocument& document, const std::wstring& section) {
    const long header = FindSection(document, Trim(section));
    if (header < 0) return false;
    const size_t end = SectionEnd(document, static_cast<size_t>(header));
    document.lines.erase(document.lines.begin() + header, document.lines.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

int ParseProfileInt(const std::wstring& value) {
    size_t i = 0;
    while (i < value.size() && value[i] <= L' ') ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == L'+' || value[i] == L'-')) negative = value[i++] == L'-';
    std::uint32_t base = 10;
    if (i + 1 < value.size() && value[i] == L'0') {
        const wchar_t prefix = value[i + 1];
        base = (prefix == L'x' || prefix == L'X')   ? 16
               : (prefix == L'o' || prefix == L'O') ? 8
               : (prefix == L'b' || prefix == L'B') ? 2
                                                    : 10;
        if (base != 10) i += 2;
    }
    std::uint32_t result = 0;
    for (; i < value.size(); ++i) {
        const wchar_t ch = value[i];
        std::uint32_t digit = base;
        if (ch >= L'0' && ch <= L'9') digit = static_cast<std::uint32_t>(ch - L'0');
        if (ch >= L'a' && ch <= L'f') digit = static_cast<std::uint32_t>(ch - L'a' + 10);
        if (ch >= L'A' && ch <= L'F') digit = static_cast<std::uint32_t>(ch - L'A' + 10);
        if (digit >= base) break;
        result = result * base + digit;
    }
    if (negative) result = 0u - result;
    return static_cast<int>(result);
}
