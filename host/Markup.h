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

// Members marked QZ_HOST_API are the host library's own: the document model, parsing, writing and
// navigation. The constructors and the forwarding layer (members that pick a position or add a
// flag and call one internal operation) are marked QZ_FRAMEWORK_API and defined in both libraries
// (framework/MarkupForwarding.cpp): the plug-in exports them for the host's framework.
class QZ_SHARED_CLASS CMarkup {
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

    // Constructors: empty document; a document parsed from `doc`; an empty document with the
    // document flags set to `docFlags` unchanged; a copy.
    QZ_FRAMEWORK_API CMarkup();
    QZ_FRAMEWORK_API explicit CMarkup(const wchar_t* doc);
    QZ_FRAMEWORK_API explicit CMarkup(int docFlags);
    QZ_FRAMEWORK_API CMarkup(const CMarkup& other);
    QZ_HOST_API CMarkup& operator=(const CMarkup& other);
    QZ_HOST_API ~CMarkup();

    // Reads and parses the whole file; false when it cannot be read or is not well formed (cut
    // off, garbled). Positions are reset either way; a document that is not well formed keeps
    // what was parsed before the fault.
    QZ_HOST_API bool Load(const CString& path);
    // Writes the document to the file, replacing it atomically; false on failure.
    QZ_HOST_API bool Save(const CString& path);
    // Replaces the document by the text (null or empty: an empty document); false when the text
    // is not well formed (what was parsed is kept).
    QZ_HOST_API bool SetDoc(const wchar_t* doc);
    QZ_FRAMEWORK_API const CString& GetDoc() const;

    QZ_HOST_API bool FindElem(const wchar_t* name = nullptr);
    QZ_HOST_API bool FindChildElem(const wchar_t* name = nullptr);
    QZ_HOST_API bool IntoElem();
    QZ_HOST_API bool OutOfElem();
    QZ_FRAMEWORK_API void ResetPos();
    QZ_FRAMEWORK_API void ResetMainPos();
    QZ_FRAMEWORK_API void ResetChildPos();

    QZ_HOST_API CString GetTagName() const;
    QZ_FRAMEWORK_API CString GetChildTagName() const;
    QZ_FRAMEWORK_API CString GetData() const;
    QZ_FRAMEWORK_API CString GetChildData() const;
    QZ_FRAMEWORK_API CString GetElemContent() const;
    QZ_FRAMEWORK_API CString GetAttrib(const wchar_t* name) const;
    QZ_FRAMEWORK_API CString GetChildAttrib(const wchar_t* name) const;
    QZ_FRAMEWORK_API CString GetSubDoc();
    QZ_FRAMEWORK_API CString GetChildSubDoc();

    QZ_FRAMEWORK_API bool AddElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0);
    QZ_FRAMEWORK_API bool InsertElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0);
    QZ_FRAMEWORK_API bool AddChildElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0);
    QZ_FRAMEWORK_API bool InsertChildElem(const wchar_t* name, const wchar_t* value = nullptr, int flags = 0);
    QZ_FRAMEWORK_API bool AddElem(const wchar_t* name, int value, int flags = 0);
    QZ_FRAMEWORK_API bool InsertElem(const wchar_t* name, int value, int flags = 0);
    QZ_FRAMEWORK_API bool AddChildElem(const wchar_t* name, int value, int flags = 0);
    QZ_FRAMEWORK_API bool InsertChildElem(const wchar_t* name, int value, int flags = 0);

    QZ_FRAMEWORK_API bool AddAttrib(const wchar_t* name, const wchar_t* value);
    QZ_FRAMEWORK_API bool AddChildAttrib(const wchar_t* name, const wchar_t* value);
    QZ_FRAMEWORK_API bool AddAttrib(const wchar_t* name, int value);
    QZ_FRAMEWORK_API bool AddChildAttrib(const wchar_t* name, int value);
    QZ_FRAMEWORK_API bool SetAttrib(const wchar_t* name, const wchar_t* value, int flags = 0);
    QZ_FRAMEWORK_API bool SetChildAttrib(const wchar_t* name, const wchar_t* value, int flags = 0);
    QZ_FRAMEWORK_API bool SetAttrib(const wchar_t* name, int value, int flags = 0);
    QZ_FRAMEWORK_API bool SetChildAttrib(const wchar_t* name, int value, int flags = 0);

    QZ_FRAMEWORK_API bool AddSubDoc(const wchar_t* subDoc);
    QZ_FRAMEWORK_API bool InsertSubDoc(const wchar_t* subDoc);
    QZ_FRAMEWORK_API bool AddChildSubDoc(const wchar_t* subDoc);
    QZ_FRAMEWORK_API bool InsertChildSubDoc(const wchar_t* subDoc);
    QZ_FRAMEWORK_API bool AddNode(int nodeType, const wchar_t* text);
    QZ_FRAMEWORK_API bool InsertNode(int nodeType, const wchar_t* text);

    QZ_FRAMEWORK_API bool SetData(const wchar_t* value, int flags = 0);
    QZ_FRAMEWORK_API bool SetChildData(const wchar_t* value, int flags = 0);
    QZ_FRAMEWORK_API bool SetData(int value);
    QZ_FRAMEWORK_API bool SetChildData(int value);
    QZ_FRAMEWORK_API bool SetElemContent(const wchar_t* content);

    QZ_HOST_API bool RemoveElem();
    QZ_HOST_API bool RemoveChildElem();

    // Stores the three positions under `name` (null: the unnamed slot) and restores them later.
    QZ_HOST_API bool SavePos(const wchar_t* name = nullptr, int mode = 0);
    QZ_HOST_API bool RestorePos(const wchar_t* name = nullptr, int mode = 0);

    QZ_FRAMEWORK_API int GetNodeType() const;
    QZ_FRAMEWORK_API const CString& GetResult() const;
    QZ_FRAMEWORK_API int GetDocFlags() const;
    // Stores the flags with the bits 0x70 cleared.
    QZ_FRAMEWORK_API void SetDocFlags(int flags);

    // Internal operations behind the forwarding members above.
    QZ_HOST_API bool x_SetPos(int parent, int pos, int child);
    QZ_HOST_API CString x_GetTagName(int pos) const;
    QZ_HOST_API CString x_GetData(int pos) const;
    QZ_HOST_API CString x_GetElemContent(int pos) const;
    QZ_HOST_API CString x_GetAttrib(int pos, const wchar_t* name) const;
    QZ_HOST_API CString x_GetSubDoc(int pos);
    QZ_HOST_API bool x_AddElem(const wchar_t* name, const wchar_t* value, int flags);
    QZ_HOST_API bool x_AddElem(const wchar_t* name, int value, int flags);
    QZ_HOST_API bool x_SetAttrib(int pos, const wchar_t* name, const wchar_t* value, int flags);
    QZ_HOST_API bool x_SetAttrib(int pos, const wchar_t* name, int value, int flags);
    QZ_HOST_API bool x_AddSubDoc(const wchar_t* subDoc, int flags);
    QZ_HOST_API bool x_AddNode(int nodeType, const wchar_t* text, int flags);
    QZ_HOST_API bool x_SetData(int pos, const wchar_t* value, int flags);
    QZ_HOST_API bool x_SetData(int pos, int value);
    QZ_HOST_API bool x_SetElemContent(const wchar_t* content);
    QZ_HOST_API void x_InitMarkup();
    // Rebuilds the document text from the tree when an edit made it stale.
    QZ_HOST_API void x_UpdateDoc() const;

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
