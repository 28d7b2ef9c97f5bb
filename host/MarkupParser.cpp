// The lenient reader of CMarkup: markup text into the element table.
//
// What it takes: an XML declaration, processing instructions, comments and a DOCTYPE (skipped),
// attributes quoted with ' or " (also unquoted or without a value), the five named entities,
// decimal and hexadecimal character references, CDATA sections, and names that are not XML names
// (read up to a blank, '/', '>', '<', '=' or a quote). Text of an element that has child elements
// is dropped; text of a leaf element is kept exactly, blanks and line ends included, and written
// back as a CDATA section when it held one. An '&' that starts no known reference stands for
// itself.
//
// Raw names: the host writes element names as they are, without escaping, so a name may hold
// blanks, quotes, '&', '<', '=' or '/' ("<||File|Save As ...>3</||File|Save As ...>"). An element
// whose end tag repeats its start tag's whole text between '<' and '>' takes that text as its name
// (and has no attributes). A start tag that cannot be read as a name with attributes is read the
// same way, as a raw name up to the first '>'; such an element stands only once its end tag
// confirms it: when the text ends or faults first, it is taken out again with everything in it.
// A raw name ending in '/' or holding an unpaired quote reads like other markup ("<||Trade|Buy/>",
// "<a b=\"c>"): it is that raw name when the next tag is the end tag that repeats it.
//
// What stops it: a '<' that starts no markup, an unterminated tag, comment, CDATA section,
// instruction or declaration, an end tag that does not close the innermost open element, text
// outside the root, and the end of the text while elements are open. Everything read before the
// fault stays in the table, except an unconfirmed raw-named element.
#include <cstdint>

#include "host/MarkupDocument.h"

namespace markup {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool EndsName(wchar_t c) {
    return IsBlank(c) || c == L'/' || c == L'>' || c == L'<' || c == L'=' || c == L'"' || c == L'\'';
}

// Decodes the reference at text[0] ('&') into `out`; returns the length consumed, 0 when the
// text there is no reference.
size_t DecodeReference(std::wstring_view text, std::wstring& out) {
    const size_t semi = text.substr(0, 16).find(L';');
    if (semi == std::wstring_view::npos || semi < 2) return 0;
    const std::wstring_view body = text.substr(1, semi - 1);
    if (body[0] == L'#') {
        const bool hex = body.size() > 1 && (body[1] == L'x' || body[1] == L'X');
        const std::wstring_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return 0;
        std::uint64_t value = 0;
        for (const wchar_t d : digits) {
            int v;
            if (d >= L'0' && d <= L'9')
                v = d - L'0';
            else if (hex && d >= L'a' && d <= L'f')
                v = d - L'a' + 10;
            else if (hex && d >= L'A' && d <= L'F')
                v = d - L'A' + 10;
            else
                return 0;
            value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(v);
        }
        if (value > 0xFFFFFFFFu) return 0;
        if constexpr (sizeof(wchar_t) == 2) {
            if (value >= 0x10000 && value <= 0x10FFFF) {
                value -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (value >> 10));
                out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
                return semi + 1;
            }
            if (value > 0xFFFF) value = 0xFFFD;
        }
        out += static_cast<wchar_t>(value);
        return semi + 1;
    }
    if (body == L"lt")
        out += L'<';
    else if (body == L"gt")
        out += L'>';
    else if (body == L"amp")
        out += L'&';
    else if (body == L"quot")
        out += L'"';
    else if (body == L"apos")
        out += L'\'';
    else
        return 0;
    return semi + 1;
}

void AppendDecoded(std::wstring& out, std::wstring_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const size_t amp = text.find(L'&', i);
        if (amp == std::wstring_view::npos) {
            out.append(text.substr(i));
            return;
        }
        out.append(text.substr(i, amp - i));
        const size_t used = DecodeReference(text.substr(amp), out);
        if (used == 0) {
            out += L'&';
            i = amp + 1;
        } else {
            i = amp + used;
        }
    }
}

class Parser {
public:
    Parser(std::wstring_view text, Document& doc, bool fragment) : t_(text), doc_(doc), fragment_(fragment) {}

    ParseOutcome Run() {
        if (!t_.empty() && t_[0] == 0xFEFF) i_ = 1;
        while (i_ < t_.size()) {
            const bool ok = t_[i_] == L'<' ? Markup() : Text();
            if (!ok) return fault_;
        }
        if (!open_.empty()) return Fail(t_.size(), "element not closed at the end of the text");
        return ParseOutcome();
    }

private:
    // An element whose end tag has not been read yet.
    struct Open {
        int node;
        std::wstring_view startText;  // everything between its start tag's '<' and '>'
        bool plainName;               // the start tag holds the name alone
        bool rawOnly;                 // read as a raw name only: stands once its end tag is read
        std::wstring parentData;      // for rawOnly: the parent's text, which linking it dropped
        bool parentCdata;
    };

    std::wstring_view t_;
    Document& doc_;
    bool fragment_;
    size_t i_ = 0;
    std::vector<Open> open_;
    ParseOutcome fault_;

    int Current() const { return open_.empty() ? 0 : open_.back().node; }
    bool StartsWith(std::wstring_view s) const { return t_.substr(i_, s.size()) == s; }

    ParseOutcome Fail(size_t at, const char* reason) {
        fault_ = ParseOutcome{false, at, reason};
        DropUnconfirmed();
        return fault_;
    }
    // Takes the outermost unconfirmed raw-named element out again, with everything in it, and
    // gives its parent back the text it had.
    void DropUnconfirmed() {
        for (Open& open : open_) {
            if (!open.rawOnly) continue;
            const int parent = doc_.at(open.node).parent;
            doc_.Erase(open.node);
            if (doc_.at(parent).first == 0) {
                doc_.at(parent).data = std::move(open.parentData);
                doc_.at(parent).cdata = open.parentCdata;
            }
            break;
        }
        open_.clear();
    }
    bool Fault(size_t at, const char* reason) {
        Fail(at, reason);
        return false;
    }

    // Adds text to the innermost open element, unless it has child elements.
    bool AddText(std::wstring_view text, bool raw, size_t at) {
        const int cur = Current();
        if (cur == 0 && !fragment_) {
            for (const wchar_t c : text)
                if (!IsBlank(c)) return Fault(at, "text outside the root element");
            return true;
        }
        Element& e = doc_.at(cur);
        if (e.first != 0) return true;
        if (raw) {
            e.data.append(text);
            e.cdata = true;  // written back as a CDATA section
        } else
            AppendDecoded(e.data, text);
        return true;
    }

    bool Text() {
        size_t end = t_.find(L'<', i_);
        if (end == std::wstring_view::npos) end = t_.size();
        const size_t at = i_;
        i_ = end;
        return AddText(t_.substr(at, end - at), false, at);
    }

    // Skips to just after `terminator`; false at the end of the text.
    bool SkipPast(std::wstring_view terminator, size_t from, const char* reason) {
        const size_t end = t_.find(terminator, from);
        if (end == std::wstring_view::npos) return Fault(i_, reason);
        i_ = end + terminator.size();
        return true;
    }

    bool Markup() {
        if (StartsWith(L"<?")) return SkipPast(L"?>", i_ + 2, "processing instruction not closed");
        if (StartsWith(L"<!--")) return SkipPast(L"-->", i_ + 4, "comment not closed");
        if (StartsWith(L"<![CDATA[")) {
            const size_t start = i_ + 9;
            const size_t end = t_.find(L"]]>", start);
            if (end == std::wstring_view::npos) return Fault(i_, "CDATA section not closed");
            const size_t at = i_;
            i_ = end + 3;
            return AddText(t_.substr(start, end - start), true, at);
        }
        if (StartsWith(L"<!")) return Declaration();
        if (StartsWith(L"</")) return EndTag();
        return StartTag() || RawStartTag();
    }

    // <!DOCTYPE ...> and other declarations, with a bracketed internal subset and quoted parts.
    bool Declaration() {
        int depth = 0;
        wchar_t quote = 0;
        for (size_t j = i_ + 2; j < t_.size(); ++j) {
            const wchar_t c = t_[j];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == L'"' || c == L'\'') {
                quote = c;
            } else if (c == L'[') {
                ++depth;
            } else if (c == L']') {
                if (depth > 0) --depth;
            } else if (c == L'>' && depth == 0) {
                i_ = j + 1;
                return true;
            }
        }
        return Fault(i_, "declaration not closed");
    }

    std::wstring_view ReadName(size_t& j) const {
        const size_t start = j;
        while (j < t_.size() && !EndsName(t_[j])) ++j;
        return t_.substr(start, j - start);
    }
    void SkipBlanks(size_t& j) const {
        while (j < t_.size() && IsBlank(t_[j])) ++j;
    }

    // The text between "</" and the next '>' must close the innermost open element: its start
    // tag's whole text, which then becomes its name, or its name (or the escaped form of it)
    // followed by nothing but blanks.
    bool EndTag() {
        const size_t close = t_.find(L'>', i_ + 2);
        if (close == std::wstring_view::npos) return Fault(i_, "malformed end tag");
        const std::wstring_view written = t_.substr(i_ + 2, close - i_ - 2);
        if (written.empty()) return Fault(i_, "malformed end tag");
        if (open_.empty()) return Fault(i_, "end tag without a start tag");
        Open& open = open_.back();
        Element& e = doc_.at(open.node);
        if (written == open.startText && !open.plainName) {
            e.name = std::wstring(written);
            e.attribs.clear();
        } else {
            size_t j = 0;
            while (j < written.size() && !EndsName(written[j])) ++j;
            const std::wstring_view name = written.substr(0, j);
            while (j < written.size() && IsBlank(written[j])) ++j;
            if (name.empty() || j != written.size()) return Fault(i_, "malformed end tag");
            const bool matches = name.substr(0, 2) == L"_-" ? DecodeName(name) == e.name : name == e.name;
            if (!matches) return Fault(i_, "end tag does not match");
        }
        open_.pop_back();
        i_ = close + 1;
        return true;
    }

    // A start tag read as one raw name: everything up to the next '>'.
    bool RawStartTag() {
        const size_t close = t_.find(L'>', i_ + 1);
        if (close == std::wstring_view::npos) return Fault(i_, "start tag not closed");
        const std::wstring_view written = t_.substr(i_ + 1, close - i_ - 1);
        if (written.empty()) return Fault(i_, "'<' starts no markup");
        const int parent = Current();
        Open open{0, written, false, true, std::move(doc_.at(parent).data), doc_.at(parent).cdata};
        open.node = doc_.Create(std::wstring(written));
        doc_.Link(open.node, parent, 0, false);
        open_.push_back(std::move(open));
        i_ = close + 1;
        return true;
    }

    // A start tag read as a name with attributes; false, with nothing read, when it is not one.
    bool StartTag() {
        size_t j = i_ + 1;
        const std::wstring_view written = ReadName(j);
        if (written.empty()) return false;
        std::vector<std::pair<std::wstring, std::wstring>> attribs;
        bool empty = false;
        for (;;) {
            SkipBlanks(j);
            if (j >= t_.size()) return false;
            if (t_[j] == L'>') {
                ++j;
                break;
            }
            if (t_[j] == L'/' && j + 1 < t_.size() && t_[j + 1] == L'>') {
                j += 2;
                empty = true;
                break;
            }
            const std::wstring_view attrName = ReadName(j);
            if (attrName.empty()) return false;
            std::wstring value;
            SkipBlanks(j);
            if (j < t_.size() && t_[j] == L'=') {
                ++j;
                SkipBlanks(j);
                if (j >= t_.size()) return false;
                if (t_[j] == L'"' || t_[j] == L'\'') {
                    const size_t end = t_.find(t_[j], j + 1);
                    if (end == std::wstring_view::npos) return false;
                    AppendDecoded(value, t_.substr(j + 1, end - j - 1));
                    j = end + 1;
                } else {
                    const size_t start = j;
                    while (j < t_.size() && !IsBlank(t_[j]) && t_[j] != L'>' &&
                           !(t_[j] == L'/' && j + 1 < t_.size() && t_[j + 1] == L'>'))
                        ++j;
                    AppendDecoded(value, t_.substr(start, j - start));
                }
            }
            attribs.emplace_back(DecodeName(attrName), std::move(value));
        }
        // Two raw names read like other markup: one ending in '/' ("<||Trade|Buy/>2</||Trade|Buy/>")
        // like an empty element, one with an unpaired quote ("<a b=\"c>1</a b=\"c>") like an
        // attribute whose value runs past the first '>'. When the next tag after that first '>' is
        // the end tag repeating everything up to it, the start tag is that raw name instead.
        if (empty || t_[j - 1] != L'>' || t_.find(L'>', i_ + 1) != j - 1) {
            const size_t close = t_.find(L'>', i_ + 1);
            const std::wstring_view whole = t_.substr(i_ + 1, close - i_ - 1);
            const size_t next = t_.find(L'<', close + 1);
            if (next != std::wstring_view::npos && t_.substr(next, 2) == L"</" &&
                t_.substr(next + 2, whole.size()) == whole && t_.substr(next + 2 + whole.size(), 1) == L">")
                return false;
        }
        const int parent = Current();
        const int node = doc_.Create(DecodeName(written));
        doc_.at(node).attribs = std::move(attribs);
        doc_.Link(node, parent, 0, false);
        if (!empty) {
            const std::wstring_view startText = t_.substr(i_ + 1, j - 1 - (i_ + 1));
            open_.push_back(Open{node, startText, startText == written, false, std::wstring(), false});
        }
        i_ = j;
        return true;
    }
};

}  // namespace

ParseOutcome Parse(std::wstring_view text, Document& doc, bool fragment) {
    return Parser(text, doc, fragment).Run();
}

std::string SniffEncoding(const std::string& bytes) {
    const size_t n = bytes.size();
    if (n >= 2 && bytes[0] == '<' && bytes[1] == '\0') return "UTF-16LE";
    if (n >= 2 && bytes[0] == '\0' && bytes[1] == '<') return "UTF-16BE";
    size_t i = 0;
    while (i < n && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    if (bytes.compare(i, 5, "<?xml") != 0) return std::string();
    const size_t end = bytes.find("?>", i);
    if (end == std::string::npos || end - i > 1024) return std::string();
    const std::string decl = bytes.substr(i, end - i);
    size_t k = decl.find("encoding");
    if (k == std::string::npos) return std::string();
    k += 8;
    while (k < decl.size() && (decl[k] == ' ' || decl[k] == '\t' || decl[k] == '\r' || decl[k] == '\n')) ++k;
    if (k >= decl.size() || decl[k] != '=') return std::string();
    ++k;
    while (k < decl.size() && (decl[k] == ' ' || decl[k] == '\t' || decl[k] == '\r' || decl[k] == '\n')) ++k;
    if (k >= decl.size() || (decl[k] != '"' && decl[k] != '\'')) return std::string();
    const size_t close = decl.find(decl[k], k + 1);
    if (close == std::string::npos) return std::string();
    std::string name = decl.substr(k + 1, close - k - 1);
    // The declaration was readable one byte per character, so the file is in no 16- or 32-bit
    // encoding whatever the label says.
    std::string upper;
    for (const char c : name) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper.rfind("UTF-16", 0) == 0 || upper.rfind("UTF-32", 0) == 0 || upper.rfind("UCS-", 0) == 0 ||
        upper.rfind("UTF16", 0) == 0 || upper.rfind("UTF32", 0) == 0)
        return std::string();
    return name;
}

}  // namespace markup
