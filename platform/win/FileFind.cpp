// CFileFind on Windows: FindFirstFileExW / FindNextFileW list the whole directory and
// WildcardMatch (platform/WildcardMatch.cpp) keeps the names the pattern accepts. The system's own
// matching is not used: it also matches the 8.3 short names ("*.txt" finds "notes.txt1" through
// "NOTES~1.TXT") and gives '<', '>' and '"' DOS meanings, so the same pattern would give other
// answers here than on POSIX, where the monitor's sweeps and listings are tested.
#include <algorithm>

#include "platform/File.h"
#include "platform/win/WinFiles.h"
#include "platform/win/native/FileApi.h"

CFileFind::CFileFind() = default;
CFileFind::~CFileFind() = default;

bool CFileFind::FindFile(const CString& pattern) {
    Close();
    const std::wstring& full = pattern.str();
    size_t cut = full.find_last_of(L"\\/");
    // "X:pattern" lists the current directory of drive X.
    if (cut == std::wstring::npos && full.size() >= 2 && full[1] == L':') cut = 1;
    CString namePattern = pattern;
    if (cut != std::wstring::npos) {
        m_dir = CString(full.substr(0, cut + 1));  // kept with its separator for GetFilePath
        namePattern = CString(full.substr(cut + 1));
    }
    std::vector<native::DirectoryEntry> listed;
    native::ListDirectory(Win32Path(m_dir + L"*"), listed);
    for (native::DirectoryEntry& entry : listed) {
        CString name(std::move(entry.name));
        if (WildcardMatch(namePattern, name)) m_entries.push_back(Entry{std::move(name), entry.directory});
    }
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
