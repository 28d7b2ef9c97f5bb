// CMarkup: the host's XML document class, every XML file of the monitor is read and written
// through it.
//
// The document is held as a tree of elements in a table; a position is an element's index in
// that table and 0 means "none". Three positions navigate it: the parent, the main position (the
// current element) and the child position. FindElem searches the siblings after the main position
// (from the first child of the parent when there is none); IntoElem makes the main position the
// parent (and the child position, none unless a child member set it, the main one); OutOfElem
// goes back up; AddElem adds after the main position (or as the parent's last child); RemoveElem
// leaves the previous sibling as the main position. An element holds either text or child
// elements: adding a child drops the text, and SetData fails on an element with children.
//
// Lenient by design: files written by other tools load (declaration, comments, processing
// instructions and DOCTYPE are skipped, attributes may use either quote), UTF-8, UTF-16 with a
// byte-order mark and legacy encodings named by the XML declaration (GBK, GB2312, ...) are read,
// and a truncated or garbled document loads as far as it is well formed: Load and SetDoc then
// return false and GetResult() says where the fault is, so that a caller that would save the
// document again can leave the file alone instead of dropping what could not be read.
//
// Saved files are UTF-8 with an XML declaration, one element per line, indented with tabs, lines
// ended with CR LF; GetDoc() is the same text without the declaration. A leaf element's text is
// written exactly (leading and trailing blanks and line ends included) with &, <, >, quotes, CR
// and control characters escaped, so any text survives Save then Load unchanged. So does any
// non-empty name: a name that is a valid XML name is written as it is; any other name is written
// as "_-" followed by the name with every character that an XML name cannot hold, and '.', written
// as '.', its code in lower-case hexadecimal, and '.' ("||File|Open" as "_-.7c..7c.File.7c.Open",
// "Open File" as "_-Open.20.File"); valid names beginning with "_-" are escaped too. A name read
// from a file is decoded only when it is exactly such an escaped form, so names written by other
// tools read as themselves. Names that other writers put down without escaping (blanks, quotes,
// '&', '<' and so on between '<' and '>') read as written when the end tag repeats them.
//
// Not thread-safe: one object is used by one thread at a time.
#pragma once

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/CString.h"

class QZ_HOST_API CMarkup {
public:
    // Flags of the add and set members.
    enum MarkupFlags {
        MNF_WITHCDATA = 0x01,
        MNF_WITHNOLINES = 0x02,
        MNF_WITHXHTMLSPACE = 0x04,
        MNF_WITHREFS = 0x08,
        MNF_WITHNOEND = 0x10,
        MNF_ESCAPEQUOTES = 0x100,
        MNF_NONENDED = 0x100000,
        MNF_ILLDATA = 0x200000,
        MNF_INSERT = 0x2000,
        MNF_CHILD = 0x4000,
    };
    enum NodeType {
        MNT_ELEMENT = 1,
        MNT_TEXT = 2,
        MNT_WHITESPACE = 4,
        MNT_CDATA_SECTION = 8,
        MNT_PROCESSING_INSTRUCTION = 16,
        MNT_COMMENT = 32,
        MNT_DOCUMENT_TYPE = 64,
    };

    CMarkup();
    explicit CMarkup(const wchar_t* doc);
    explicit CMarkup(int docFlags);
    CMarkup(const CMarkup& other);
    CMarkup& operator=(const CMarkup& other);
    ~CMarkup();

    // Reads and parses the whole file; false when it cannot be read or is not well formed (cut
    // off, garbled). Positions are reset either way; a document that is not well formed keeps
    // what was parsed before the fault.
    bool Load(const CString& path);
    // Writes the document to the file, replacing it atomically; false on failure.
    bool Save(const CString& path);
    // Replaces the document by the text (null or empty: an empty document); false when the text
    // is not well formed (what was parsed is kept).
    bool SetDoc(const wchar_t* doc);
    const CString& GetDoc() const;

    bool FindElem(const wchar_t* name = nullptr);
    bool FindChildElem(const wchar_t* name = nullptr);
    bool IntoElem();
    bool OutOfElem();
    void ResetPos() { x_SetPos(0, 0, 0); }
    void ResetMainPos() { x_SetPos(m_iPosParent, 0, 0); }
    void ResetChildPos() { x_SetPos(m_iPosParent, m_iPos, 0); }

    CString GetTagName() const;
    CString GetChildTagName() const { return x_GetTagName(m_iPosChild); }
    CString GetData() const { return x_GetData(m_iPos); }
    CString GetChildData() const { return x_GetData(m_iPosChild); }
    CString GetElemContent() const { return x_GetElemContent(m_iPos); }
    CString GetAttrib(const wchar_t* name) const { return x_GetAttrib(m_iPos, name); }
    CString GetChildAttrib(const wchar_t* name) const { return x_GetAttrib(m_iPosChild, name); }
    CString GetSubDoc() { return x_GetSubDoc(m_iPos); }
    CString GetChildSubDoc() { return x_GetSubDoc(m_iPosChild); }

    bool AddElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0) {
        return x_AddElem(name, value, flags);
    }
    bool InsertElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0) {
        return x_AddElem(name, value, flags | MNF_INSERT);
    }
    bool AddChildElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0) {
        return x_AddElem(name, value, flags | MNF_CHILD);
    }
    bool InsertChildElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0) {
        return x_AddElem(name, value, flags | MNF_INSERT | MNF_CHILD);
    }
    bool AddElem(const wchar_t* name, int value, int flags = 0) { return x_AddElem(name, value, flags); }
    bool InsertElem(const wchar_t* name, int value, int flags = 0) {
        return x_AddElem(name, value, flags | MNF_INSERT);
    }
    bool AddChildElem(const wchar_t* name, int value, int flags = 0) {
        return x_AddElem(name, value, flags | MNF_CHILD);
    }
    bool InsertChildElem(const wchar_t* name, int value, int flags = 0) {
        return x_AddElem(name, value, flags | MNF_INSERT | MNF_CHILD);
    }

    bool AddAttrib(const wchar_t* name, const wchar_t* value) { return x_SetAttrib(m_iPos, name, value, 0); }
    bool AddChildAttrib(const wchar_t* name, const wchar_t* value) { return x_SetAttrib(m_iPosChild, name, value, 0); }
    bool AddAttrib(const wchar_t* name, int value) { return x_SetAttrib(m_iPos, name, value, 0); }
    bool AddChildAttrib(const wchar_t* name, int value) { return x_SetAttrib(m_iPosChild, name, value, 0); }
    bool SetAttrib(const wchar_t* name, const wchar_t* value, int flags = 0) {
        return x_SetAttrib(m_iPos, name, value, flags);
    }
    bool SetChildAttrib(const wchar_t* name, const wchar_t* value, int flags = 0) {
        return x_SetAttrib(m_iPosChild, name, value, flags);
    }
    bool SetAttrib(const wchar_t* name, int value, int flags = 0) { return x_SetAttrib(m_iPos, name, value, flags); }
    bool SetChildAttrib(const wchar_t* name, int value, int flags = 0) {
        return x_SetAttrib(m_iPosChild, name, value, flags);
    }

    bool AddSubDoc(const wchar_t* subDoc) { return x_AddSubDoc(subDoc, 0); }
    bool InsertSubDoc(const wchar_t* subDoc) { return x_AddSubDoc(subDoc, MNF_INSERT); }
    bool AddChildSubDoc(const wchar_t* subDoc) { return x_AddSubDoc(subDoc, MNF_CHILD); }
    bool InsertChildSubDoc(const wchar_t* subDoc) { return x_AddSubDoc(subDoc, MNF_INSERT | MNF_CHILD); }
    bool AddNode(int nodeType, const wchar_t* text) { return x_AddNode(nodeType, text, 0); }
    bool InsertNode(int nodeType, const wchar_t* text) { return x_AddNode(nodeType, text, MNF_INSERT); }

    bool SetData(const wchar_t* value, int flags = 0) { return x_SetData(m_iPos, value, flags); }
    bool SetChildData(const wchar_t* value, int flags = 0) { return x_SetData(m_iPosChild, value, flags); }
    bool SetData(int value) { return x_SetData(m_iPos, value); }
    bool SetChildData(int value) { return x_SetData(m_iPosChild, value); }
    bool SetElemContent(const wchar_t* content) { return x_SetElemContent(content); }

    bool RemoveElem();
    bool RemoveChildElem();

    // Stores the three positions under `name` (null: the unnamed slot) and restores them later.
    bool SavePos(const wchar_t* name = nullptr, int mode = 0);
    bool RestorePos(const wchar_t* name = nullptr, int mode = 0);

    int GetNodeType() const { return m_nNodeType; }
    const CString& GetResult() const { return m_strResult; }
    int GetDocFlags() const { return m_nDocFlags; }
    void SetDocFlags(int flags) { m_nDocFlags = flags & ~0x70; }

    // Internal operations behind the forwarding members above.
    bool x_SetPos(int parent, int pos, int child);
    CString x_GetTagName(int pos) const;
    CString x_GetData(int pos) const;
    CString x_GetElemContent(int pos) const;
    CString x_GetAttrib(int pos, const wchar_t* name) const;
    CString x_GetSubDoc(int pos);
    bool x_AddElem(const wchar_t* name, const wchar_t* value, int flags);
    bool x_AddElem(const wchar_t* name, int value, int flags);
    bool x_SetAttrib(int pos, const wchar_t* name, const wchar_t* value, int flags);
    bool x_SetAttrib(int pos, const wchar_t* name, int value, int flags);
    bool x_AddSubDoc(const wchar_t* subDoc, int flags);
    bool x_AddNode(int nodeType, const wchar_t* text, int flags);
    bool x_SetData(int pos, const wchar_t* value, int flags);
    bool x_SetData(int pos, int value);
    bool x_SetElemContent(const wchar_t* content);
    void x_InitMarkup();

private:
    struct Tree;

    // Replaces the document by the parse of `text`; false when it is not well formed.
    bool x_ParseDoc(std::wstring_view text);
    // True when the three positions name elements that stand in that relation.
    bool x_IsValidPos(int parent, int pos, int child) const;

    mutable CString m_strDoc;  // the document text, rebuilt from the tree when asked for
    CString m_strResult;
    int m_iPosParent = 0;
    int m_iPos = 0;
    int m_iPosChild = 0;
    int m_nNodeType = 0;
    int m_nDocFlags = 0;
    std::unique_ptr<Tree> m_tree;
    mutable bool m_docStale = false;
};
