// CMarkup: assignment, whole-document operations, navigation and saved positions.
#include "host/Markup.h"

#include "host/MarkupDocument.h"
#include "platform/File.h"
#include "platform/TextConv.h"

CMarkup& CMarkup::operator=(const CMarkup& other) {
    if (this == &other) return *this;
    m_tree = std::make_unique<Tree>(*other.m_tree);
    m_strDoc = other.m_strDoc;
    m_docStale = other.m_docStale;
    m_strResult = other.m_strResult;
    m_iPosParent = other.m_iPosParent;
    m_iPos = other.m_iPos;
    m_iPosChild = other.m_iPosChild;
    m_nNodeType = other.m_nNodeType;
    m_nDocFlags = other.m_nDocFlags;
    return *this;
}

CMarkup::~CMarkup() = default;

void CMarkup::x_InitMarkup() {
    if (!m_tree) m_tree = std::make_unique<Tree>();
    m_iPosParent = m_iPos = m_iPosChild = 0;
    m_nNodeType = 0;
    m_nDocFlags = 0;
}

bool CMarkup::x_ParseDoc(std::wstring_view text) {
    m_tree->doc.Clear();
    m_tree->saved.clear();
    const markup::ParseOutcome outcome = markup::Parse(text, m_tree->doc, false);
    m_strResult.Empty();
    if (!outcome.ok)
        m_strResult = L"markup not well formed at offset " + std::to_wstring(outcome.offset) + L": " +
                      NarrowToWide(outcome.reason);
    m_iPosParent = m_iPos = m_iPosChild = 0;
    m_nNodeType = 0;
    m_docStale = true;
    return outcome.ok;
}

bool CMarkup::Load(const CString& path) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
        x_ParseDoc(std::wstring_view());
        m_strResult = L"file could not be read";
        return false;
    }
    return x_ParseDoc(DecodeText(bytes, markup::SniffEncoding(bytes)));
}

bool CMarkup::Save(const CString& path) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    text += GetDoc().str();
    return WriteFileBytesAtomic(path, WideToNarrow(text));
}

bool CMarkup::SetDoc(const wchar_t* doc) {
    return x_ParseDoc(doc ? std::wstring_view(doc) : std::wstring_view());
}

void CMarkup::x_UpdateDoc() const {
    if (!m_docStale) return;
    std::wstring text;
    markup::WriteNodes(m_tree->doc, m_tree->doc.at(0).first, true, text);
    m_strDoc = CString(std::move(text));
    m_docStale = false;
}

bool CMarkup::x_IsValidPos(int parent, int pos, int child) const {
    const markup::Document& d = m_tree->doc;
    if (parent != 0 && !d.IsElement(parent)) return false;
    if (pos != 0 && !(d.IsElement(pos) && d.at(pos).parent == parent)) return false;
    if (child != 0 && !(pos != 0 && d.IsElement(child) && d.at(child).parent == pos)) return false;
    return true;
}

bool CMarkup::x_SetPos(int parent, int pos, int child) {
    if (!x_IsValidPos(parent, pos, child)) return false;
    m_iPosParent = parent;
    m_iPos = pos;
    m_iPosChild = child;
    m_nNodeType = pos ? MNT_ELEMENT : 0;
    return true;
}

namespace {

bool NameMatches(const std::wstring& elementName, const wchar_t* name) {
    return name == nullptr || *name == 0 || elementName == name;
}

}  // namespace

bool CMarkup::FindElem(const wchar_t* name) {
    const markup::Document& d = m_tree->doc;
    for (int e = m_iPos ? d.at(m_iPos).next : d.at(m_iPosParent).first; e; e = d.at(e).next) {
        if (NameMatches(d.at(e).name, name)) return x_SetPos(m_iPosParent, e, 0);
    }
    return false;
}

bool CMarkup::FindChildElem(const wchar_t* name) {
    // Without a main position the first element of the main level becomes it.
    if (m_iPos == 0 && !FindElem()) return false;
    const markup::Document& d = m_tree->doc;
    for (int e = m_iPosChild ? d.at(m_iPosChild).next : d.at(m_iPos).first; e; e = d.at(e).next) {
        if (NameMatches(d.at(e).name, name)) return x_SetPos(m_iPosParent, m_iPos, e);
    }
    return false;
}

bool CMarkup::IntoElem() {
    if (m_iPos == 0) return false;
    // The child position (none unless a child member set it) becomes the main position.
    return x_SetPos(m_iPos, m_iPosChild, 0);
}

bool CMarkup::OutOfElem() {
    if (m_iPosParent == 0) return false;
    return x_SetPos(m_tree->doc.at(m_iPosParent).parent, m_iPosParent, 0);
}

bool CMarkup::SavePos(const wchar_t* name, int) {
    m_tree->saved[name ? name : L""] = {m_iPosParent, m_iPos, m_iPosChild};
    return true;
}

bool CMarkup::RestorePos(const wchar_t* name, int) {
    const auto found = m_tree->saved.find(name ? name : L"");
    if (found == m_tree->saved.end()) return false;
    const auto& [parent, pos, child] = found->second;
    return x_SetPos(parent, pos, child);
}

CString CMarkup::GetTagName() const {
    return x_GetTagName(m_iPos);
}

CString CMarkup::x_GetTagName(int pos) const {
    if (!m_tree->doc.IsElement(pos)) return CString();
    return CString(m_tree->doc.at(pos).name);
}

CString CMarkup::x_GetData(int pos) const {
    if (!m_tree->doc.IsElement(pos)) return CString();
    return CString(m_tree->doc.at(pos).data);
}

CString CMarkup::x_GetAttrib(int pos, const wchar_t* name) const {
    if (!m_tree->doc.IsElement(pos) || name == nullptr) return CString();
    for (const auto& [key, value] : m_tree->doc.at(pos).attribs)
        if (key == name) return CString(value);
    return CString();
}

CString CMarkup::x_GetElemContent(int pos) const {
    const markup::Document& d = m_tree->doc;
    if (!d.IsElement(pos)) return CString();
    std::wstring text;
    if (d.at(pos).first)
        markup::WriteNodes(d, d.at(pos).first, true, text);
    else
        markup::AppendEscaped(text, d.at(pos).data, false);
    return CString(std::move(text));
}

CString CMarkup::x_GetSubDoc(int pos) {
    if (!m_tree->doc.IsElement(pos)) return CString();
    std::wstring text;
    markup::WriteNodes(m_tree->doc, pos, false, text);
    return CString(std::move(text));
}
