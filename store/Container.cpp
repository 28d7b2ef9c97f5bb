// The scrambled file container: ScrambleFile / UnscrambleFile over the platform's file class, and
// the monitor's wide-path entry points EasyEncrypt / EasyDecrypt.
//
// The content moves in large chunks (whole buffers enciphered at once), so the cost of a file is
// that of the cipher, not of one system call per 8-byte block. For large files the reads and writes
// run on a second thread, overlapping the cipher (store/ChunkPipe.h).
#include "store/Container.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"
#include "store/ChunkPipe.h"
#include "store/Rc5.h"

namespace {

constexpr std::uint8_t kMagic[4] = {'K', 'V', 'R', 'A'};
constexpr std::size_t kHeaderSize = 8;
constexpr int kRounds = 15;
constexpr Rc5::Key kKey = {'K', 'x', '4', 't', 'P', 'q', '9', 'Z', 'm', 'W', '2', 'r', 'Y', 'b', '7', 'N'};
// Big enough that system calls cost nothing next to the cipher, small enough that the chunk stays
// in the processor's cache between its read, its transform and its write.
constexpr std::size_t kChunkSize = std::size_t{256} << 10;  // a multiple of the block size
constexpr std::uint64_t kMaxPlainLength = 0xFFFFFFFFu;

std::atomic<int> g_keyTableBuilds{0};

// The container's narrow paths are in the system's ANSI code page; the file class opens wide ones,
// and the work is done on wide paths, so that the monitor's wide entry points reach files whose
// names the ANSI code page cannot hold.
CString Wide(const char* narrow) {
    return CString(AnsiToWide(narrow));
}

void PrintOpenFailed(const CString& path, int cause) {
    std::printf("%s could not be opened %d\n", WideToAnsi(path).c_str(), cause);
    std::fflush(stdout);
}
void PrintCreateFailed(const CString& path, int cause) {
    std::printf("%s could not be created %d\n", WideToAnsi(path).c_str(), cause);
    std::fflush(stdout);
}
void PrintReplaceFailed(const CString& path) {
    std::printf("File %s cannot be removed\n", WideToAnsi(path).c_str());
    std::fflush(stdout);
}
void PrintBadLength(const CString& path) {
    std::printf("%s 's length mod 8 is not 0\n", WideToAnsi(path).c_str());
    std::fflush(stdout);
}

std::size_t RoundUpToBlock(std::uint64_t n) {
    return static_cast<std::size_t>((n + Rc5::kBlockSize - 1) / Rc5::kBlockSize * Rc5::kBlockSize);
}

// Fills the last block of a chunk of `got` bytes with zero bytes; returns the padded size.
std::size_t PadToBlock(std::uint8_t* chunk, std::size_t got) {
    const std::size_t padded = RoundUpToBlock(got);
    std::fill(chunk + got, chunk + padded, std::uint8_t{0});
    return padded;
}

// A chunk size no larger than the file needs.
std::size_t ChunkSize(std::uint64_t length) {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(RoundUpToBlock(length), Rc5::kBlockSize, kChunkSize));
}

// Content of more than two chunks is read and written on a thread of its own.
bool MoveInBackground(std::uint64_t length) {
    return length > 2 * kChunkSize;
}

// Reads until `size` bytes have arrived or the file ends; returns the number read.
std::size_t ReadFull(CFile& file, std::uint8_t* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const UINT n = file.Read(buffer + got, static_cast<UINT>(size - got));
        if (n == 0) break;
        got += n;
    }
    return got;
}

void PutLength(std::uint8_t* p, std::uint32_t length) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(length >> (8 * i));
}
std::uint32_t GetLength32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Opens the source for reading; others may go on reading and writing it.
bool OpenSource(CFile& file, const CString& path) {
    CFileException error;
    if (file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error)) return true;
    PrintOpenFailed(path, error.m_cause);
    return false;
}

// Creates (or empties) the temporary file, without sharing.
bool CreateTemporary(CFile& file, const CString& tempPath) {
    CFileException error;
    if (file.Open(tempPath, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive, &error)) return true;
    PrintCreateFailed(tempPath, error.m_cause);
    return false;
}

// Puts the complete temporary file, still held open, in the place of the source in one rename, so
// the path holds either the old or the new content at every moment and the "$" file is never the
// only copy. The temporary file is on the disk before it replaces the source, and nobody (another
// process's sweep of leftovers, say) can remove it between its last write and the rename. When
// the source cannot be replaced (someone holds it), the source stays as it was and the complete
// temporary file stays beside it until the next start removes it.
bool ReplaceWithTemporary(CFile& temp, const CString& path) {
    try {
        temp.MoveOver(path);
        temp.Close();
        return true;
    } catch (const CFileException&) {
        temp.Abort();
        PrintReplaceFailed(path);
        return false;
    }
}

// A read or write error in the middle of a transform: the source stays as it was and the partial
// temporary file goes.
void Discard(CFile& source, CFile& temp, const CString& tempPath) {
    source.Abort();
    temp.Abort();
    try {
        CFile::Remove(tempPath);
    } catch (const CFileException&) {
        // The monitor's start-up sweep removes it.
    }
}

}  // namespace

const Rc5& ContainerCipher() {
    static const Rc5 cipher = [] {
        g_keyTableBuilds.fetch_add(1, std::memory_order_relaxed);
        return Rc5(kKey, kRounds);
    }();
    return cipher;
}

int ContainerKeyTableBuilds() {
    return g_keyTableBuilds.load(std::memory_order_relaxed);
}

namespace {

bool ScramblePath(const CString& source) {
    const Rc5& cipher = ContainerCipher();
    const CString tempPath = source + L"$";

    CFile in;
    if (!OpenSource(in, source)) return false;
    // The header holds 32 bits of length: a larger file could never be restored.
    std::uint64_t length = 0;
    try {
        length = in.GetLength();
    } catch (const CFileException&) {
        in.Abort();
        return false;
    }
    if (length > kMaxPlainLength) {
        in.Abort();
        return false;
    }
    CFile out;
    if (!CreateTemporary(out, tempPath)) {
        in.Abort();
        return false;
    }
    try {
        std::uint8_t header[kHeaderSize];
        std::memcpy(header, kMagic, sizeof kMagic);
        PutLength(header + 4, static_cast<std::uint32_t>(length));
        out.Write(header, sizeof header);

        ChunkPipe pipe(in, out, ChunkSize(length), MoveInBackground(length));
        const std::uint64_t total = pipe.Run([&](std::uint8_t* chunk, std::size_t got) {
            const std::size_t padded = PadToBlock(chunk, got);
            cipher.Encrypt(chunk, padded);
            return padded;
        });
        // Someone else changed the file's size while it was read: the header describes what was
        // actually enciphered, so the container stays readable.
        if (total != length) {
            if (total > kMaxPlainLength) {
                Discard(in, out, tempPath);
                return false;
            }
            PutLength(header + 4, static_cast<std::uint32_t>(total));
            out.Seek(4, CFile::begin);
            out.Write(header + 4, 4);
        }
        in.Close();
        out.Flush();
    } catch (const CFileException&) {
        Discard(in, out, tempPath);
        return false;
    }
    return ReplaceWithTemporary(out, source);
}

bool UnscramblePath(const CString& source) {
    const Rc5& cipher = ContainerCipher();
    const CString tempPath = source + L"$";

    CFile in;
    if (!OpenSource(in, source)) return false;
    CFile out;
    if (!CreateTemporary(out, tempPath)) {
        in.Abort();
        return false;
    }
    try {
        // A refused file stays as it is, with the empty temporary file beside it; the monitor's
        // next start removes that.
        const std::uint64_t n = in.GetLength();
        if (n % Rc5::kBlockSize != 0) {
            PrintBadLength(source);
            in.Abort();
            out.Abort();
            return false;
        }
        std::uint8_t header[kHeaderSize];
        if (ReadFull(in, header, sizeof header) < sizeof header || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
            in.Abort();
            out.Abort();
            return false;
        }
        const std::uint64_t length = GetLength32(header + 4);
        if (n < length + kHeaderSize || n > length + 2 * Rc5::kBlockSize) {
            in.Abort();
            out.Abort();
            return false;
        }

        ChunkPipe pipe(in, out, ChunkSize(n - kHeaderSize), MoveInBackground(n - kHeaderSize));
        std::uint64_t written = 0;
        pipe.Run([&](std::uint8_t* chunk, std::size_t got) {
            const std::size_t padded = PadToBlock(chunk, got);
            cipher.Decrypt(chunk, padded);
            // The last block's filler, and any block past the plain length, is dropped.
            const std::size_t keep = static_cast<std::size_t>(std::min<std::uint64_t>(padded, length - written));
            written += keep;
            return keep;
        });
        in.Close();
        out.Flush();
    } catch (const CFileException&) {
        Discard(in, out, tempPath);
        return false;
    }
    return ReplaceWithTemporary(out, source);
}

}  // namespace

ContainerShape ContainerShapeOf(const void* bytes, std::size_t size) {
    const auto* b = static_cast<const std::uint8_t*>(bytes);
    if (size < sizeof kMagic || std::memcmp(b, kMagic, sizeof kMagic) != 0) return ContainerShape::plain;
    if (size < kHeaderSize || size % Rc5::kBlockSize != 0) return ContainerShape::damaged;
    const std::uint64_t length = GetLength32(b + 4);
    if (size < length + kHeaderSize || size > length + 2 * Rc5::kBlockSize) return ContainerShape::damaged;
    return ContainerShape::container;
}

bool UnscrambleBytes(const void* bytes, std::size_t size, std::string& plain) {
    plain.clear();
    if (ContainerShapeOf(bytes, size) != ContainerShape::container) return false;
    const auto* b = static_cast<const std::uint8_t*>(bytes);
    plain.assign(reinterpret_cast<const char*>(b + kHeaderSize), size - kHeaderSize);
    ContainerCipher().Decrypt(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size());
    plain.resize(GetLength32(b + 4));
    return true;
}

bool ScrambleFile(const char* path) {
    return path != nullptr && ScramblePath(Wide(path));
}

bool UnscrambleFile(const char* path) {
    return path != nullptr && UnscramblePath(Wide(path));
}

bool CMonitorControl::EasyEncrypt(CString strPath) {
    ScramblePath(strPath);
    return true;
}

bool CMonitorControl::EasyDecrypt(CString strPath) {
    return UnscramblePath(strPath);
}
