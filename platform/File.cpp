// STUB: replaced by the platform implementation.
#include "platform/File.h"
struct CFile::Impl {};
CFile::CFile() = default;
CFile::CFile(const CString& path, unsigned flags) {
    Open(path, flags);
}
CFile::~CFile() = default;
bool CFile::Open(const CString&, unsigned, CFileException*) {
    return false;
}
UINT CFile::Read(void*, UINT) {
    return 0;
}
void CFile::Write(const void*, UINT) {}
std::uint64_t CFile::Seek(std::int64_t, int) {
    return 0;
}
std::uint64_t CFile::GetLength() const {
    return 0;
}
std::uint64_t CFile::GetPosition() const {
    return 0;
}
void CFile::Close() {}
void CFile::Abort() {}
bool CFile::IsOpen() const {
    return false;
}
void CFile::Remove(const CString&) {}
void CFile::Rename(const CString&, const CString&) {}
bool CStdioFile::Open(const CString&, unsigned, CFileException*) {
    return false;
}
bool CStdioFile::ReadString(CString&) {
    return false;
}
void CStdioFile::WriteString(const CString&) {}
void CStdioFile::Close() {}
void CStdioFile::Abort() {}
bool CStdioFile::Fill() {
    return false;
}
CFileFind::CFileFind() = default;
CFileFind::~CFileFind() = default;
bool CFileFind::FindFile(const CString&) {
    return false;
}
bool CFileFind::FindNextFile() {
    return false;
}
CString CFileFind::GetFileName() const {
    return CString();
}
CString CFileFind::GetFilePath() const {
    return CString();
}
bool CFileFind::IsDirectory() const {
    return false;
}
bool CFileFind::IsDots() const {
    return false;
}
void CFileFind::Close() {}
bool WildcardMatch(const CString&, const CString&) {
    return false;
}
