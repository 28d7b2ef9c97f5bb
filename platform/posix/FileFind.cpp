// CFileFind on POSIX: lists the directory with readdir and keeps the names that WildcardMatch
// (platform/WildcardMatch.cpp) accepts, so patterns mean the same on every backend.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/File.h"
#include "platform/TextConv.h"

CFileFind::CFileFind() = default;
CFileFind::~CFileFind() = default;

bool CFileFind::FindFile(const CString& pattern) {
    Close();
    const std::wstring& full = pattern.str();
    const size_t cut = full.find_last_of(L"\\/");
    CString namePattern;
    std::string nativeDir;
    if (cut == std::wstring::npos) {
        namePattern = pattern;
        nativeDir = ".";
    } else {
        m_dir = CString(full.substr(0, cut + 1));  // kept with its separator for GetFilePath
        namePattern = CString(full.substr(cut + 1));
        nativeDir = cut == 0 ? std::string("/") : NativePath(CString(full.substr(0, cut)));
    }
    DIR* dir = ::opendir(nativeDir.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const CString name(NarrowToWide(entry->d_name));
        if (!WildcardMatch(namePattern, name)) continue;
        bool directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st;
            const std::string path = nativeDir + "/" + entry->d_name;
            directory = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        m_entries.push_back(Entry{name, directory});
    }
    ::closedir(dir);
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
