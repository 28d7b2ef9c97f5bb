// CMarkup: adding, changing and removing elements, texts, attributes and sub-documents.
//
// Every change marks the document text stale; GetDoc and Save rebuild it from the table.
#include <string>

#include "host/Markup.h"
#include "host/MarkupDocument.h"

bool CMarkup::x_AddElem(const wchar_t* name, const wchar_t* value, int flags) {
    if (name == nullptr || *name == 0) return false;
    const bool child = (flags & MNF_CHILD) != 0;
    if (child && m_iPos == 0) return false;
    markup::Document& d = m_tree->doc;
    const int parent = child ? m_iPos : m_iPosParent;
    const int ref = child ? m_iPosChild : m_iPos;
    const int node = d.Create(name);
    if (value != nullptr && *value != 0) {
        d.at(node).data = value;
        d.at(node).cdata = (flags & MNF_WITHCDATA) != 0;
    }
    d.Link(node, parent, ref, (flags & MNF_INSERT) != 0);
    m_docStale = true;
    return child ? x_SetPos(m_iPosParent, m_iPos, node) : x_SetPos(m_iPosParent, node, 0);
}

bool CMarkup::x_AddElem(const wchar_t* name, int value, int flags) {
    return x_AddElem(name, std::to_wstring(value).c_str(), flags);
}

bool CMarkup::x_SetData(int pos, const wchar_t* value, int flags) {
    markup::Document& d = m_tree->doc;
    // An element with child elements holds no text of its own.
    if (!d.IsElement(pos) || d.at(pos).first != 0) return false;
    d.at(pos).data = value ? value : L"";
    d.at(pos).cdata = (flags & MNF_WITHCDATA) != 0;
    m_docStale = true;
    return true;
}

bool CMarkup::x_SetData(int pos, int value) {
    return x_SetData(pos, std::to_wstring(value).c_str(), 0);
}

bool CMarkup::x_SetAttrib(int pos, const wchar_t* name, const wchar_t* value, int) {
    markup::Document& d = m_tree->doc;
    if (!d.IsElement(pos) || name == nullptr || *name == 0) return false;
    auto& attribs = d.at(pos).attribs;
    m_docStale = true;
    for (auto& [key, text] : attribs) {
        if (key == name) {
            text = value ? value : L"";
            return true;
        }
    }
    attribs.emplace_back(name, value ? value : L"");
    return true;
}

bool CMarkup::x_SetAttrib(int pos, const wchar_t* name, int value, int flags) {
    return x_SetAttrib(pos, name, std::to_wstring(value).c_str(), flags);
}

bool CMarkup::x_AddSubDoc(const wchar_t* subDoc, int flags) {
    if (subDoc == nullptr) return false;
    markup::Document parsed;
    if (!markup::Parse(subDoc, parsed, false).ok || parsed.at(0).first == 0) return false;
    const bool child = (flags & MNF_CHILD) != 0;
    if (child && m_iPos == 0) return false;
    markup::Document& d = m_tree->doc;
    const int parent = child ? m_iPos : m_iPosParent;
    int ref = child ? m_iPosChild : m_iPos;
    bool before = (flags & MNF_INSERT) != 0;
    int first = 0;
    // Every top-level element of the sub-document is added, in order; the first becomes the
    // position.
    for (int e = parsed.at(0).first; e; e = parsed.at(e).next) {
        ref = d.CopyFrom(parsed, e, parent, ref, before);
        before = false;
        if (first == 0) first = ref;
    }
    m_docStale = true;
    return child ? x_SetPos(m_iPosParent, m_iPos, first) : x_SetPos(m_iPosParent, first, 0);
}

bool CMarkup::x_AddNode(int nodeType, const wchar_t* text, int flags) {
    if (nodeType == MNT_ELEMENT) return x_AddElem(text, nullptr, flags);
    if (nodeType != MNT_TEXT && nodeType != MNT_WHITESPACE && nodeType != MNT_CDATA_SECTION) {
        // The table keeps elements and their texts only: comments, processing instructions and
        // document types are not kept, and adding one fails rather than pretending.
        return false;
    }
    // Text goes into the parent element, before or after what it holds, as long as it has no
    // child elements.
    markup::Document& d = m_tree->doc;
    if (!d.IsElement(m_iPosParent) || d.at(m_iPosParent).first != 0 || text == nullptr) return false;
    std::wstring& data = d.at(m_iPosParent).data;
    if (flags & MNF_INSERT)
        data.insert(0, text);
    else
        data += text;
    if (nodeType == MNT_CDATA_SECTION) d.at(m_iPosParent).cdata = true;
    m_docStale = true;
    return true;
}

bool CMarkup::x_SetElemContent(const wchar_t* content) {
    markup::Document& d = m_tree->doc;
    if (!d.IsElement(m_iPos)) return false;
    markup::Document parsed;
    if (!markup::Parse(content ? content : L"", parsed, true).ok) return false;
    while (d.at(m_iPos).first) d.Erase(d.at(m_iPos).first);
    if (parsed.at(0).first == 0) {
        d.at(m_iPos).data = parsed.at(0).data;
        d.at(m_iPos).cdata = false;
    } else {
        for (int e = parsed.at(0).first; e; e = parsed.at(e).next) d.CopyFrom(parsed, e, m_iPos, 0, false);
    }
    m_docStale = true;
    return x_SetPos(m_iPosParent, m_iPos, 0);
}

bool CMarkup::RemoveElem() {
    markup::Document& d = m_tree->doc;
    if (!d.IsElement(m_iPos)) return false;
    const int prev = d.at(m_iPos).prev;
    d.Erase(m_iPos);
    m_docStale = true;
    return x_SetPos(m_iPosParent, prev, 0);
}

bool CMarkup::RemoveChildElem() {
    markup::Document& d = m_tree->doc;
    if (!d.IsElement(m_iPosChild)) return false;
    const int prev = d.at(m_iPosChild).prev;
    d.Erase(m_iPosChild);
    m_docStale = true;
    return x_SetPos(m_iPosParent, m_iPos, prev);
}
