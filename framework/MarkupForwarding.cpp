// CMarkup's constructors and its forwarding layer: members that pick a position or add a flag and
// call one internal operation. Compiled into both libraries: the host library's own code uses
// them, and the plug-in exports the same members for the host's framework.
#include "host/Markup.h"

#include "host/MarkupDocument.h"

CMarkup::CMarkup() {
    x_InitMarkup();
    SetDoc(nullptr);
}

CMarkup::CMarkup(const wchar_t* doc) {
    x_InitMarkup();
    SetDoc(doc);
}

CMarkup::CMarkup(int docFlags) {
    x_InitMarkup();
    SetDoc(nullptr);
    m_nDocFlags = docFlags;
}

CMarkup::CMarkup(const CMarkup& other) {
    x_InitMarkup();
    *this = other;
}

const CString& CMarkup::GetDoc() const {
    x_UpdateDoc();
    return m_strDoc;
}

void CMarkup::ResetPos() {
    x_SetPos(0, 0, 0);
}
void CMarkup::ResetMainPos() {
    x_SetPos(m_iPosParent, 0, 0);
}
void CMarkup::ResetChildPos() {
    x_SetPos(m_iPosParent, m_iPos, 0);
}

CString CMarkup::GetChildTagName() const {
    return x_GetTagName(m_iPosChild);
}
CString CMarkup::GetData() const {
    return x_GetData(m_iPos);
}
CString CMarkup::GetChildData() const {
    return x_GetData(m_iPosChild);
}
CString CMarkup::GetElemContent() const {
    return x_GetElemContent(m_iPos);
}
CString CMarkup::GetAttrib(const wchar_t* name) const {
    return x_GetAttrib(m_iPos, name);
}
CString CMarkup::GetChildAttrib(const wchar_t* name) const {
    return x_GetAttrib(m_iPosChild, name);
}
CString CMarkup::GetSubDoc() {
    return x_GetSubDoc(m_iPos);
}
CString CMarkup::GetChildSubDoc() {
    return x_GetSubDoc(m_iPosChild);
}

bool CMarkup::AddElem(const wchar_t* name, const wchar_t* value, int flags) {
    return x_AddElem(name, value, flags);
}
bool CMarkup::InsertElem(const wchar_t* name, const wchar_t* value, int flags) {
    return x_AddElem(name, value, flags | MNF_INSERT);
}
bool CMarkup::AddChildElem(const wchar_t* name, const wchar_t* value, int flags) {
    return x_AddElem(name, value, flags | MNF_CHILD);
}
bool CMarkup::InsertChildElem(const wchar_t* name, const wchar_t* value, int flags) {
    return x_AddElem(name, value, flags | MNF_INSERT | MNF_CHILD);
}
bool CMarkup::AddElem(const wchar_t* name, int value, int flags) {
    return x_AddElem(name, value, flags);
}
bool CMarkup::InsertElem(const wchar_t* name, int value, int flags) {
    return x_AddElem(name, value, flags | MNF_INSERT);
}
bool CMarkup::AddChildElem(const wchar_t* name, int value, int flags) {
    return x_AddElem(name, value, flags | MNF_CHILD);
}
bool CMarkup::InsertChildElem(const wchar_t* name, int value, int flags) {
    return x_AddElem(name, value, flags | MNF_INSERT | MNF_CHILD);
}

bool CMarkup::AddAttrib(const wchar_t* name, const wchar_t* value) {
    return x_SetAttrib(m_iPos, name, value, 0);
}
bool CMarkup::AddChildAttrib(const wchar_t* name, const wchar_t* value) {
    return x_SetAttrib(m_iPosChild, name, value, 0);
}
bool CMarkup::AddAttrib(const wchar_t* name, int value) {
    return x_SetAttrib(m_iPos, name, value, 0);
}
bool CMarkup::AddChildAttrib(const wchar_t* name, int value) {
    return x_SetAttrib(m_iPosChild, name, value, 0);
}
bool CMarkup::SetAttrib(const wchar_t* name, const wchar_t* value, int flags) {
    return x_SetAttrib(m_iPos, name, value, flags);
}
bool CMarkup::SetChildAttrib(const wchar_t* name, const wchar_t* value, int flags) {
    return x_SetAttrib(m_iPosChild, name, value, flags);
}
bool CMarkup::SetAttrib(const wchar_t* name, int value, int flags) {
    return x_SetAttrib(m_iPos, name, value, flags);
}
bool CMarkup::SetChildAttrib(const wchar_t* name, int value, int flags) {
    return x_SetAttrib(m_iPosChild, name, value, flags);
}

bool CMarkup::AddSubDoc(const wchar_t* subDoc) {
    return x_AddSubDoc(subDoc, 0);
}
bool CMarkup::InsertSubDoc(const wchar_t* subDoc) {
    return x_AddSubDoc(subDoc, MNF_INSERT);
}
bool CMarkup::AddChildSubDoc(const wchar_t* subDoc) {
    return x_AddSubDoc(subDoc, MNF_CHILD);
}
bool CMarkup::InsertChildSubDoc(const wchar_t* subDoc) {
    return x_AddSubDoc(subDoc, MNF_INSERT | MNF_CHILD);
}
bool CMarkup::AddNode(int nodeType, const wchar_t* text) {
    return x_AddNode(nodeType, text, 0);
}
bool CMarkup::InsertNode(int nodeType, const wchar_t* text) {
    return x_AddNode(nodeType, text, MNF_INSERT);
}

bool CMarkup::SetData(const wchar_t* value, int flags) {
    return x_SetData(m_iPos, value, flags);
}
bool CMarkup::SetChildData(const wchar_t* value, int flags) {
    return x_SetData(m_iPosChild, value, flags);
}
bool CMarkup::SetData(int value) {
    return x_SetData(m_iPos, value);
}
bool CMarkup::SetChildData(int value) {
    return x_SetData(m_iPosChild, value);
}
bool CMarkup::SetElemContent(const wchar_t* content) {
    return x_SetElemContent(content);
}

int CMarkup::GetNodeType() const {
    return m_nNodeType;
}
const CString& CMarkup::GetResult() const {
    return m_strResult;
}
int CMarkup::GetDocFlags() const {
    return m_nDocFlags;
}
void CMarkup::SetDocFlags(int flags) {
    m_nDocFlags = flags & ~0x70;
}
