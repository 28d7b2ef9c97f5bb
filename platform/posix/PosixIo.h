// Helpers shared by the POSIX file code: the one translation of errno into the cause numbers of
// CFileException, complete writes, and the file-size signal. Internal to the platform layer.
#pragma once

#include <cstddef>
#include <string>

// The CFileException cause for a failed system call's errno.
int ErrnoToFileCause(int error);

// Makes a write beyond the process's file-size limit (RLIMIT_FSIZE) fail with EFBIG instead of
// killing the process with SIGXFSZ. Done once per process, and only when nobody has installed a
// handler of their own. Every path that writes files calls it before writing.
void IgnoreFileSizeSignal();

// Writes all `size` bytes, continuing after partial writes and interruptions. Returns 0, or the
// errno of the write that failed.
int WriteAllBytes(int fd, const void* data, size_t size);

// Reads a whole file into `text`. Kernel files (/proc, /sys) report no size, so this reads until
// the end instead of trusting the length. False when the file cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text);
