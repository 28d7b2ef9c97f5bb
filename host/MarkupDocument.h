// The element tree behind CMarkup, with its reader and writer (internal to the host library).
//
// Elements live in one table; index 0 is the document node, whose children are the top-level
// elements, and every other live entry is an element linked to its parent, its first and last
// child and its siblings. An element holds either text or child elements: linking a child into an
// element drops its text, so the table never holds content that the writer could not put back.
// Removed entries go on a free list and are reused.
//
// Hand-written rather than built on an XML library because the document class must keep what it
// parsed up to a fault (truncated and garbled files load as far as they are well formed), must
// accept names that no XML name may hold (through the escape of MarkupNames.cpp) and must address
// elements by stable table indices; the XML readers at hand either reject a document as a whole or
// hide their nodes behind pointers. Reader, writer and tree operations are iterative, so nesting
// depth is bounded by memory only, never by the stack.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/Markup.h"

namespace markup {

struct Element {
    std::wstring name;  // the name as the caller gave it (never escaped)
    std::wstring data;  // text of an element without children
    std::vector<std::pair<std::wstring, std::wstring>> attribs;
    int parent = 0;
    int first = 0;
    int last = 0;
    int next = 0;
    int prev = 0;
    bool live = false;
    bool cdata = false;  // write the text as a CDATA section
};

class Document {
public:
    Document() { Clear(); }

    void Clear();
    bool IsElement(int index) const {
        return index > 0 && static_cast<size_t>(index) < elems.size() && elems[static_cast<size_t>(index)].live;
    }
    Element& at(int index) { return elems[static_cast<size_t>(index)]; }
    const Element& at(int index) const { return elems[static_cast<size_t>(index)]; }

    // A new, unlinked element.
    int Create(std::wstring name);
    // Links `node` under `parent` (0: the document node): after `ref`, or as the last child when
    // `ref` is 0; with `before`, before `ref`, or as the first child when `ref` is 0.
    void Link(int node, int parent, int ref, bool before);
    // Unlinks `node` and frees it with everything below it.
    void Erase(int node);
    // Copies the element `srcNode` of `src` with its content and links the copy like Link does;
    // returns the copy's index. `src` must be another document.
    int CopyFrom(const Document& src, int srcNode, int parent, int ref, bool before);

private:
    std::vector<Element> elems;
    std::vector<int> freeList;
};

struct ParseOutcome {
    bool ok = true;
    size_t offset = 0;        // where the first fault was found
    const char* reason = "";  // what it was
};

// Parses `text` into `doc` (expected empty). Stops at the first fault and keeps every element
// whose start tag was read, with the text read so far. Text outside any element is a fault for a
// document; for a `fragment` it becomes the text of the document node.
ParseOutcome Parse(std::wstring_view text, Document& doc, bool fragment);

// Serialises `node` with its content, and with `siblings` every following sibling too: one
// element per line, indented by depth, lines ended with CR LF.
void WriteNodes(const Document& doc, int node, bool siblings, std::wstring& out);
// Appends text with markup characters escaped as entities and characters that a file cannot hold
// as they are (control characters, CR, non-characters) as numeric references.
void AppendEscaped(std::wstring& out, std::wstring_view text, bool attribute);

// The form in which a name is written, and the name that a written form stands for.
void AppendName(std::wstring& out, std::wstring_view name);
std::wstring DecodeName(std::wstring_view written);

// The character set named by the XML declaration at the start of `bytes` (empty when there is
// none); "UTF-16LE"/"UTF-16BE" for UTF-16 without a byte-order mark.
std::string SniffEncoding(const std::string& bytes);

}  // namespace markup

struct CMarkup::Tree {
    markup::Document doc;
    std::map<std::wstring, std::array<int, 3>> saved;  // SavePos slots by name ("" the unnamed one)
};
