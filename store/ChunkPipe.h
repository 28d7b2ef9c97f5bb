// Moves a file's content through a transform chunk by chunk, for large files with the reads and
// writes on a thread of their own.
//
// Done one after the other, a large file costs its reads, its transform and its writes. With the
// system calls on a second thread, the read of the next chunk and the write of the previous one
// overlap the transform of the current one, so a file costs little more than its transform. Three
// buffers take turns: while the transform works on one, the next is being filled and the previous
// written.
//
// Small files are moved in the caller's thread (a thread would cost more than it saves), as are
// all files when no thread can be started.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CFile;

class ChunkPipe {
public:
    // Changes the `got` bytes read into `chunk` in place and returns how many bytes of the chunk
    // to write (got > 0; the chunk holds `chunkSize` bytes, so a transform may pad it).
    using Transform = std::function<std::size_t(std::uint8_t* chunk, std::size_t got)>;

    // `chunkSize`: bytes per read; `background`: do the reads and writes on a thread of their own
    // when one can be started.
    ChunkPipe(CFile& in, CFile& out, std::size_t chunkSize, bool background);
    // Stops the thread; a read or write under way is finished first.
    ~ChunkPipe();
    ChunkPipe(const ChunkPipe&) = delete;
    ChunkPipe& operator=(const ChunkPipe&) = delete;

    // Reads `in` to its end and writes what `transform` keeps of each chunk to `out`. Returns the
    // number of bytes read. Throws the CFileException of a failed read or write.
    std::uint64_t Run(const Transform& transform);

private:
    struct Job {
        const std::uint8_t* write = nullptr;
        std::size_t writeSize = 0;
        std::uint8_t* read = nullptr;  // null: no read
    };
    // Hands `job` to the I/O thread (or does it at once without one); Wait returns the bytes read.
    void Start(const Job& job);
    std::size_t Wait();
    std::size_t Do(const Job& job);
    void Work();

    CFile& m_in;
    CFile& m_out;
    const std::size_t m_chunkSize;
    std::vector<std::uint8_t> m_buffers;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Job m_job;
    bool m_pending = false;  // a job has been started and not yet finished
    bool m_stop = false;
    std::size_t m_got = 0;
    std::exception_ptr m_error;
    std::thread m_thread;
};
