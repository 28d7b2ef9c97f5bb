// CFileFind over the directory listing of each platform's backend (platform/FileFindBackend.h):
// the names come in already matched, are put in a stable order here and walked one by one.
#include <algorithm>

#include "platform/File.h"
#include "platform/FileFindBackend.h"

CFileFind::CFileFind() = default;
CFileFind::~CFileFind() = default;

bool CFileFind::FindFile(const CString& pattern) {
    Close();
    const std::wstring& full = pattern.str();
    const size_t cut = file_find_backend::DirectoryEnd(full);
    CString namePattern = pattern;
    if (cut != std::wstring::npos) {
        m_dir = CString(full.substr(0, cut + 1));  // kept with its separator for GetFilePath
        namePattern = CString(full.substr(cut + 1));
    }
    std::vector<file_find_backend::FoundEntry> found;
    file_find_backend::ListMatching(m_dir, namePattern, found);
    for (file_find_backend::FoundEntry& entry : found)
        m_entries.push_back(Entry{std::move(entry.name), entry.directory});
    // A stable order, whatever the file system's own order is.
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return !m_entries.empty();
}

bool CFileFind::FindNextFile() {
    if (m_next >= m_entries.size()) return false;
    ++m_next;
    return m_next < m_entries.size();
}

CString CFileFind::GetFileName() const {
    if (m_next == 0 || m_next > m_entries.size()) return CString();
    return m_entries[m_next - 1].name;
}

CString CFileFind::GetFilePath() const {
    if (m_next == 0 || m_next > m_entries.size()) return CString();
    return m_dir + m_entries[m_next - 1].name;
}

bool CFileFind::IsDirectory() const {
    return m_next > 0 && m_next <= m_entries.size() && m_entries[m_next - 1].directory;
}

bool CFileFind::IsDots() const {
    const CString name = GetFileName();
    return IsDirectory() && (name == L"." || name == L"..");
}

void CFileFind::Close() {
    m_entries.clear();
    m_next = 0;
    m_dir.Empty();
}
