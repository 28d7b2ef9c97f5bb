// File access in the shape of the classic framework's file classes.
//
// Paths are wide texts built with '\' separators, as the monitor builds them; the POSIX backend
// turns every '\' into '/' at the system call and nowhere else. Errors are reported as
// CFileException carrying the framework's cause numbers, so callers and messages read the same on
// every platform.
//
// Sharing: a file opened with shareExclusive (or shareCompat) cannot be opened again, by this
// process or another one, until it is closed; the second open fails with sharingViolation (11).
// A file open with sharing allowed cannot be opened exclusively. A file that anyone holds open
// through CFile cannot be removed, renamed or replaced either (sharingViolation), as Windows
// refuses to delete a file opened without delete sharing. On POSIX this is an in-process table of
// open files plus flock() across processes; removals and replacements take the file exclusively
// for the moment of the change, and an open that finds its path changed under it opens again.
//
// Thread safety: distinct CFile objects may be used from different threads at once; one object
// must not be used by two threads at the same time.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/CString.h"

class QZ_HOST_API CFileException : public std::exception {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    CFileException(int cause = none, long osError = -1, const CString& fileName = CString())
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
    const char* what() const noexcept override { return "file error"; }

    int m_cause;
    long m_lOsError;
    CString m_strFileName;
};

class QZ_HOST_API CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,     // Windows: no sharing; POSIX: exclusive (table + LOCK_EX)
        shareExclusive = 0x0010,  // Windows: share mode 0; POSIX: exclusive (table + LOCK_EX)
        shareDenyWrite = 0x0020,  // Windows: FILE_SHARE_READ; POSIX: shared open
        shareDenyRead = 0x0030,   // Windows: FILE_SHARE_WRITE; POSIX: shared open
        shareDenyNone = 0x0040,   // Windows: read and write sharing; POSIX: shared open
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,      // create, truncating unless modeNoTruncate
        modeNoTruncate = 0x2000,  // with modeCreate: open an existing file as it is
        typeText = 0x4000,
        typeBinary = 0x8000,
        // With modeCreate: create a new file, failing when anything (a file, a link) already has
        // the name, so that a name planted beforehand is never written through.
        modeCreateNew = 0x10000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens or throws CFileException.
    CFile(const CString& path, unsigned flags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Returns false and fills `error` (when given) instead of throwing.
    virtual bool Open(const CString& path, unsigned flags, CFileException* error = nullptr);
    // Reads up to `count` bytes; returns the number read (0 at the end). Throws on failure.
    virtual UINT Read(void* buffer, UINT count);
    // Writes all `count` bytes in one system write (retried only on partial writes); throws on
    // failure (diskFull when the device or a size limit is full).
    virtual void Write(const void* buffer, UINT count);
    virtual std::uint64_t Seek(std::int64_t offset, int from);
    std::uint64_t SeekToEnd() { return Seek(0, end); }
    void SeekToBegin() { Seek(0, begin); }
    virtual std::uint64_t GetLength() const;
    // Cuts the file at (or extends it with zero bytes to) `length`; the position is unchanged.
    virtual void SetLength(std::uint64_t length);
    virtual std::uint64_t GetPosition() const;
    // Puts everything written so far on the disk (Windows: FlushFileBuffers; POSIX: fsync).
    virtual void Flush();
    // Puts this open file in the place of `to` in one atomic step, replacing `to` when it exists,
    // and keeps it open under its new name, so that nobody can take the file away between its
    // last write and its replacement (Windows: SetFileInformationByHandle with FileRenameInfo;
    // POSIX: rename). Refused with sharingViolation while anyone else holds `to` open through
    // CFile. Throws CFileException.
    void MoveOver(const CString& to);
    // Closes the file; throws if the close reports an error. Closing a closed file does nothing.
    virtual void Close();
    // Closes without throwing.
    virtual void Abort();
    bool IsOpen() const;
    const CString& GetFilePath() const { return m_strPath; }

    // Throw CFileException on failure; sharingViolation while anyone holds the file open.
    static void Remove(const CString& path);
    static void Rename(const CString& from, const CString& to);
    // Puts the file `from` in the place of `to` in one atomic step, replacing `to` when it exists
    // (Windows: MoveFileEx with MOVEFILE_REPLACE_EXISTING; POSIX: rename). Every reader of `to`
    // sees either the old or the new file, never none. Refused with sharingViolation while either
    // file is held open through CFile, in this process or another. Throws CFileException.
    static void Replace(const CString& from, const CString& to);

    struct Impl;

protected:
    std::unique_ptr<Impl> m_impl;
    CString m_strPath;
};

// A lock between processes (and threads) that share a folder: held by keeping a lock file open
// without sharing (Windows: share mode 0; POSIX: the open-file table plus flock). A holder that
// ends, however it ends, releases it. The lock file is created when missing and stays behind:
// removing it would let a waiting holder and a new one lock two different files.
class QZ_HOST_API CFileLock {
public:
    enum Result { locked, timedOut, unavailable };
    CFileLock() = default;
    ~CFileLock() { Unlock(); }
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Waits up to `timeoutMs` for the lock. unavailable when the lock file cannot be opened at
    // all (a missing folder, no permission): then nobody else can hold it either.
    Result Lock(const CString& path, unsigned timeoutMs);
    void Unlock();
    bool IsLocked() const { return m_file.IsOpen(); }

private:
    CFile m_file;
};

// Text-mode line reader (and writer) over CFile. ReadString strips the line end ("\n" or "\r\n").
// The file's text is UTF-8, or UTF-16 when it starts with a byte-order mark.
class QZ_HOST_API CStdioFile : public CFile {
public:
    CStdioFile() = default;
    bool Open(const CString& path, unsigned flags, CFileException* error = nullptr) override;
    // False at the end of the file.
    bool ReadString(CString& line);
    void WriteString(const CString& text);
    // Keep the read-ahead buffer consistent with the file position.
    std::uint64_t Seek(std::int64_t offset, int from) override;
    std::uint64_t GetPosition() const override;
    void Close() override;
    void Abort() override;

private:
    std::vector<char> m_buffer;
    size_t m_pos = 0;
    bool m_eof = false;
    int m_encoding = 0;  // 0 unknown yet, 1 UTF-8, 2 UTF-16LE, 3 UTF-16BE
    bool Fill();
};

// Wildcard listing of a directory, with the Windows meaning of patterns: '*' and '?' as usual,
// case-insensitive, a pattern ending in ".*" also matches names without that dot, so "*.*" (and
// "*.*.*") lists every name and "*$.*" lists names that end in '$' or contain "$.", and a pattern
// ending in '.' matches names with as many dots as the rest of it, so "*." lists the names
// without a dot.
class QZ_HOST_API CFileFind {
public:
    CFileFind();
    ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // `pattern` is a directory path followed by a name pattern ("...\Data\MONDAT\*.*").
    bool FindFile(const CString& pattern);
    // Moves to the next entry; returns false when the entry it moved to is the last one.
    bool FindNextFile();
    CString GetFileName() const;
    CString GetFilePath() const;
    bool IsDirectory() const;
    bool IsDots() const;
    void Close();

private:
    struct Entry {
        CString name;
        bool directory;
    };
    std::vector<Entry> m_entries;
    size_t m_next = 0;
    CString m_dir;
};

// True when `name` matches the Windows wildcard `pattern` (rules as for CFileFind).
QZ_HOST_API bool WildcardMatch(const CString& pattern, const CString& name);

// Whole-file helpers (used by the XML document class and the profile files).
QZ_HOST_API bool PathFileExists(const CString& path);
QZ_HOST_API bool DeleteFile(const CString& path);
QZ_HOST_API bool ReadFileBytes(const CString& path, std::string& bytes);
// Writes through a temporary file in the same directory and renames it over `path`, so the path
// holds either the old or the new content at every moment.
QZ_HOST_API bool WriteFileBytesAtomic(const CString& path, const std::string& bytes);
// Creates an empty file when none exists (leaves an existing file as it is).
QZ_HOST_API bool CreateFileIfMissing(const CString& path);
// Creates every missing directory along `narrowPath` (system narrow text, '\' or '/' separated);
// the last component is taken as a directory only when the path ends in a separator.
QZ_HOST_API bool MakeSureDirectoryPathExists(const std::string& narrowPath);
// The same for a wide path: every character survives, including those that the system narrow
// text (the ANSI code page on Windows) cannot hold.
QZ_HOST_API bool MakeSureDirectoryPathExists(const CString& path);
// Turns a wide path with '\' separators into the native narrow path of the platform.
QZ_HOST_API std::string NativePath(const CString& path);

// Tests: limits the size of the files this process writes (the soft file-size limit on POSIX), so
// that a write crossing the limit stops part-way and fails with diskFull. 0 restores the limit in
// force before the first call. False when the platform cannot set it.
QZ_HOST_API bool SetFileSizeLimitForTesting(std::uint64_t bytes);
// Tests: `observer` (when not null) is called with the path of each file that CFile::Flush has
// just put on the disk, in the flushing thread. Null removes it.
QZ_HOST_API void SetFileFlushObserverForTesting(void (*observer)(const CString& path));
