// CFileLock: a lock file held open without sharing, waited for by polling, so that one
// implementation serves every backend of CFile (on Windows the share mode refuses the second
// open natively; on POSIX the open-file table and flock do).
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/File.h"

CFileLock::Result CFileLock::Lock(const CString& path, unsigned timeoutMs) {
    Unlock();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        CFileException error;
        if (m_file.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite | CFile::shareExclusive,
                        &error))
            return locked;
        if (error.m_cause != CFileException::sharingViolation) return unavailable;
        if (std::chrono::steady_clock::now() >= deadline) return timedOut;
        // Holders keep the lock for a few milliseconds: start with short waits, then back off.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

void CFileLock::Unlock() {
    m_file.Abort();
}
