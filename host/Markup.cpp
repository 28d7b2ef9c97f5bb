// STUB: replaced by the XML document implementation.
#include "host/Markup.h"
struct CMarkup::Tree {};
CMarkup::CMarkup() {}
CMarkup::CMarkup(const wchar_t*) {}
CMarkup::CMarkup(int flags) {
    m_nDocFlags = flags;
}
CMarkup::CMarkup(const CMarkup&) {}
CMarkup& CMarkup::operator=(const CMarkup&) {
    return *this;
}
CMarkup::~CMarkup() = default;
bool CMarkup::Load(const CString&) {
    return false;
}
bool CMarkup::Save(const CString&) {
    return false;
}
bool CMarkup::SetDoc(const wchar_t*) {
    return true;
}
const CString& CMarkup::GetDoc() const {
    return m_strDoc;
}
bool CMarkup::FindElem(const wchar_t*) {
    return false;
}
bool CMarkup::FindChildElem(const wchar_t*) {
    return false;
}
bool CMarkup::IntoElem() {
    return false;
}
bool CMarkup::OutOfElem() {
    return false;
}
CString CMarkup::GetTagName() const {
    return CString();
}
bool CMarkup::RemoveElem() {
    return false;
}
bool CMarkup::RemoveChildElem() {
    return false;
}
bool CMarkup::SavePos(const wchar_t*, int) {
    return false;
}
bool CMarkup::RestorePos(const wchar_t*, int) {
    return false;
}
bool CMarkup::x_SetPos(int, int, int) {
    return false;
}
CString CMarkup::x_GetTagName(int) const {
    return CString();
}
CString CMarkup::x_GetData(int) const {
    return CString();
}
CString CMarkup::x_GetElemContent(int) const {
    return CString();
}
CString CMarkup::x_GetAttrib(int, const wchar_t*) const {
    return CString();
}
CString CMarkup::x_GetSubDoc(int) {
    return CString();
}
bool CMarkup::x_AddElem(const wchar_t*, const wchar_t*, int) {
    return false;
}
bool CMarkup::x_AddElem(const wchar_t*, int, int) {
    return false;
}
bool CMarkup::x_SetAttrib(int, const wchar_t*, const wchar_t*, int) {
    return false;
}
bool CMarkup::x_SetAttrib(int, const wchar_t*, int, int) {
    return false;
}
bool CMarkup::x_AddSubDoc(const wchar_t*, int) {
    return false;
}
bool CMarkup::x_AddNode(int, const wchar_t*, int) {
    return false;
}
bool CMarkup::x_SetData(int, const wchar_t*, int) {
    return false;
}
bool CMarkup::x_SetData(int, int) {
    return false;
}
bool CMarkup::x_SetElemContent(const wchar_t*) {
    return false;
}
void CMarkup::x_InitMarkup() {}
