// The writer of CMarkup: the element table back into markup text.
//
// One element per line, indented with one tab per level (at most kMaxIndent tabs, so a deeply
// nested document does not grow with the square of its depth), lines ended with CR LF. A leaf
// element is written on one line with its text exactly as held (no blanks added or trimmed), an
// element without text as an empty-element tag.
#include <cstdint>

#include "host/MarkupDocument.h"

namespace markup {
namespace {

constexpr int kMaxIndent = 16;
constexpr std::wstring_view kLineEnd = L"\r\n";

std::uint32_t Code(wchar_t c) {
    if constexpr (sizeof(wchar_t) == 2) return static_cast<std::uint16_t>(c);
    return static_cast<std::uint32_t>(c);
}

// Characters that a UTF-8 file cannot carry as they are, or that a reader would change: control
// characters (CR is folded into LF by XML readers), surrogates and non-characters. On 16-bit wchar_t
// the surrogates are halves of pairs and are written through UTF-8 as they are.
bool NeedsReference(std::uint32_t c, bool attribute) {
    if (c == '\n' || c == '\t') return attribute;  // readers turn them into blanks in attributes
    if (c < 0x20) return true;
    if (c == 0xFFFE || c == 0xFFFF) return true;
    if constexpr (sizeof(wchar_t) == 4) return (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF;
    return false;
}

void AppendReference(std::wstring& out, std::uint32_t c) {
    static constexpr wchar_t kHex[] = L"0123456789abcdef";
    out += L"&#x";
    int shift = 28;
    while (shift > 0 && ((c >> shift) & 0xF) == 0) shift -= 4;
    for (; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    out += L';';
}

void Indent(std::wstring& out, int depth) {
    out.append(static_cast<size_t>(depth < kMaxIndent ? depth : kMaxIndent), L'\t');
}

bool FitsCdata(std::wstring_view text) {
    for (const wchar_t c : text)
        if (NeedsReference(Code(c), false)) return false;
    return true;
}

void AppendData(std::wstring& out, const Element& e) {
    if (e.cdata && FitsCdata(e.data)) {
        // "]]>" cannot stand inside a section: it is split across two.
        out += L"<![CDATA[";
        size_t i = 0;
        for (size_t end; (end = e.data.find(L"]]>", i)) != std::wstring::npos; i = end + 2) {
            out.append(e.data, i, end + 2 - i);
            out += L"]]><![CDATA[";
        }
        out.append(e.data, i, std::wstring::npos);
        out += L"]]>";
        return;
    }
    AppendEscaped(out, e.data, false);
}

void AppendOpenTag(std::wstring& out, const Element& e) {
    out += L'<';
    AppendName(out, e.name);
    for (const auto& [name, value] : e.attribs) {
        out += L' ';
        AppendName(out, name);
        out += L"=\"";
        AppendEscaped(out, value, true);
        out += L'"';
    }
}

void AppendCloseTag(std::wstring& out, const Element& e) {
    out += L"</";
    AppendName(out, e.name);
    out += L'>';
    out += kLineEnd;
}

}  // namespace

void AppendEscaped(std::wstring& out, std::wstring_view text, bool attribute) {
    for (const wchar_t ch : text) {
        switch (ch) {
            case L'&':
                out += L"&amp;";
                break;
            case L'<':
                out += L"&lt;";
                break;
            case L'>':
                out += L"&gt;";
                break;
            case L'"':
                out += L"&quot;";
                break;
            case L'\'':
                out += L"&apos;";
                break;
            default:
                if (NeedsReference(Code(ch), attribute))
                    AppendReference(out, Code(ch));
                else
                    out += ch;
        }
    }
}

void WriteNodes(const Document& doc, int node, bool siblings, std::wstring& out) {
    int depth = 0;
    while (node) {
        const Element& e = doc.at(node);
        Indent(out, depth);
        AppendOpenTag(out, e);
        if (e.first) {
            out += L'>';
            out += kLineEnd;
            node = e.first;
            ++depth;
            continue;
        }
        if (e.data.empty()) {
            out += L"/>";
            out += kLineEnd;
        } else {
            out += L'>';
            AppendData(out, e);
            AppendCloseTag(out, e);
        }
        // Move on to the next sibling, closing every element whose last child this was.
        for (;;) {
            if (depth == 0) {
                node = siblings ? doc.at(node).next : 0;
                break;
            }
            if (doc.at(node).next) {
                node = doc.at(node).next;
                break;
            }
            node = doc.at(node).parent;
            --depth;
            Indent(out, depth);
            AppendCloseTag(out, doc.at(node));
        }
    }
}

}  // namespace markup
