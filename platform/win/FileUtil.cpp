// Whole-file helpers and the Win32 form of paths.
//
// Paths reach the system as the monitor built them, with '\' separators; only a path longer than
// the classic limit is turned into its absolute "\\?\" form, and every Win32 file call of the
// backend takes its path from Win32Path.
//
// A file being read here, or being put in place by another writer, is held for a moment without
// delete sharing, and Windows refuses to replace a file that is open (or to open one held without
// sharing) where POSIX goes ahead. So the atomic write and the whole-file read wait a little for
// such a moment to pass before they give up; a file that someone keeps open still fails them.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "platform/win/WinErrors.h"
#include "platform/win/WinFiles.h"
#include "platform/win/native/FileApi.h"

namespace {

bool IsSeparator(wchar_t ch) {
    return ch == L'\\' || ch == L'/';
}

// "X:\..." or "\\server\share\...".
bool IsAbsolute(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2])) return true;
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool HasDevicePrefix(const std::wstring& path) {
    return path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0;
}

// Runs `attempt` (true when done) again while it fails because the file is held for a moment;
// about a tenth of a second in all.
template <typename Attempt>
bool RetryWhileHeld(Attempt&& attempt) {
    auto pause = std::chrono::milliseconds(1);
    for (int tries = 0;; ++tries) {
        int cause = CFileException::none;
        if (attempt(cause)) return true;
        if (cause != CFileException::sharingViolation || tries >= 12) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(16));
    }
}

}  // namespace

std::wstring Win32Path(const CString& path, std::size_t limit) {
    const std::wstring& p = path.str();
    if (HasDevicePrefix(p) || (p.size() <= limit && IsAbsolute(p))) return p;
    // Relative paths count with the directory they stand in.
    std::wstring full;
    if (native::FullPathName(p, full) != 0 || full.size() <= limit) return p;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string NativePath(const CString& path) {
    return WideToNarrow(Win32Path(path));
}

bool PathFileExists(const CString& path) {
    return native::QueryPath(Win32Path(path)).exists;
}

bool ReadFileBytes(const CString& path, std::string& bytes) {
    bytes.clear();
    CFile file;
    const bool opened = RetryWhileHeld([&](int& cause) {
        CFileException error;
        if (file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error)) return true;
        cause = error.m_cause;
        return false;
    });
    if (!opened) return false;
    try {
        char buffer[65536];
        while (const UINT n = file.Read(buffer, sizeof buffer)) bytes.append(buffer, n);
        file.Abort();
        return true;
    } catch (const CFileException&) {
        file.Abort();
        bytes.clear();
        return false;
    }
}

bool WriteFileBytesAtomic(const CString& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    // The temporary name ends in '~' plus a number, never in '$', so it is not taken for a
    // container's temporary file. It is held without sharing from its creation to its rename
    // (MoveOver renames it through its handle, with the replacement of MoveFileExW's
    // MOVEFILE_REPLACE_EXISTING), so the monitor's sweep of interrupted writes (which removes
    // "*.tmp*~") cannot take it away from a write in progress in another process.
    // The temporary file is always a new one: a name already taken (a leftover) is never
    // written through; the next number is tried instead.
    CString temp;
    CFile file;
    for (int attempt = 0;; ++attempt) {
        temp = path + CString(L".tmp" + std::to_wstring(native::CurrentProcessId()) + L"-" +
                              std::to_wstring(counter.fetch_add(1)) + L"~");
        CFileException error;
        if (file.Open(temp, CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite | CFile::shareExclusive,
                      &error))
            break;
        if (error.m_lOsError != static_cast<long>(win32_error::kFileExists) || attempt >= 100) return false;
    }
    try {
        constexpr size_t kMaxWrite = size_t{1} << 30;
        for (size_t done = 0; done < bytes.size(); done += kMaxWrite)
            file.Write(bytes.data() + done, static_cast<UINT>(std::min(kMaxWrite, bytes.size() - done)));
        file.Flush();
        const bool replaced = RetryWhileHeld([&](int& cause) {
            try {
                file.MoveOver(path);
                return true;
            } catch (const CFileException& e) {
                cause = e.m_cause;
                return false;
            }
        });
        file.Abort();
        if (replaced) return true;
    } catch (const CFileException&) {
        file.Abort();
    }
    DeleteFile(temp);
    return false;
}

bool CreateFileIfMissing(const CString& path) {
    return native::CreateIfMissing(Win32Path(path)) == 0;
}

bool MakeSureDirectoryPathExists(const std::string& narrowPath) {
    return MakeSureDirectoryPathExists(CString(native::AnsiToWide(narrowPath)));
}

bool MakeSureDirectoryPathExists(const CString& widePath) {
    std::wstring path = widePath.str();
    std::replace(path.begin(), path.end(), L'/', L'\\');
    // Only the part up to the last separator names directories.
    const size_t last = path.find_last_of(L'\\');
    if (last == std::wstring::npos) return true;
    path.resize(last);
    // A prefix that cannot be created (a drive, a share, an existing ancestor without write
    // permission) is not an error by itself: what counts is that the whole path is a directory at
    // the end.
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && (path[pos] != L'\\' || path[pos - 1] == L'\\')) continue;
        native::MakeDirectory(Win32Path(CString(path.substr(0, pos)), kMaxWin32DirectoryPath));
    }
    // "X:" alone is the current directory of the drive: ask for its root.
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    return path.empty() || native::QueryPath(Win32Path(CString(path))).directory;
}
