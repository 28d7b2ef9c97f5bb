// The lock of the data directory's scrambled files, shared by every process that runs the
// monitor from one installation.
//
// Two terminals started from one folder share its data directory. Each change of the statistics
// file or the system information file (unscramble, change, scramble; or delete, rewrite,
// scramble) runs under this lock, so that another process never reads the file half-way through
// a change, takes a container for plain text or scrambles a container again: at rest, each file
// is one whole container or one whole plain document.
//
// The lock is the file "LOCK" of the data directory held open without sharing (CFileLock). A
// process that has the lock keeps it for a few milliseconds; one that dies releases it.
#pragma once

#include "platform/File.h"

class DataFilesLock {
public:
    // Waits for the lock (a few seconds at most).
    DataFilesLock();
    DataFilesLock(const DataFilesLock&) = delete;
    DataFilesLock& operator=(const DataFilesLock&) = delete;

    // True when the caller may change the files: the lock is held, or there is no data
    // directory to hold it in (then there are no files to change either). False when another
    // process kept the lock for the whole wait: the caller leaves the files as they are.
    bool Held() const { return m_bProceed; }

private:
    CFileLock m_lock;
    bool m_bProceed = false;
};
