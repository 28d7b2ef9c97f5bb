// Chunked transform of a file with overlapped reads and writes (see ChunkPipe.h).
#include "store/ChunkPipe.h"

#include <system_error>
#include <utility>

#include "platform/File.h"

ChunkPipe::ChunkPipe(CFile& in, CFile& out, std::size_t chunkSize, bool background)
    : m_in(in), m_out(out), m_chunkSize(chunkSize), m_buffers(chunkSize * (background ? 3 : 1)) {
    if (!background) return;
    try {
        m_thread = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // No thread to be had: the caller's thread reads and writes, with one buffer.
        m_buffers.resize(chunkSize);
    }
}

ChunkPipe::~ChunkPipe() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::size_t ChunkPipe::Do(const Job& job) {
    if (job.writeSize > 0) m_out.Write(job.write, static_cast<UINT>(job.writeSize));
    std::size_t got = 0;
    if (job.read) {
        while (got < m_chunkSize) {
            const UINT n = m_in.Read(job.read + got, static_cast<UINT>(m_chunkSize - got));
            if (n == 0) break;
            got += n;
        }
    }
    return got;
}

void ChunkPipe::Work() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending) return;  // stopped with nothing to do
        const Job job = m_job;
        lock.unlock();
        std::size_t got = 0;
        std::exception_ptr error;
        try {
            got = Do(job);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_got = got;
        m_error = error;
        m_pending = false;
        m_changed.notify_all();
    }
}

void ChunkPipe::Start(const Job& job) {
    if (!m_thread.joinable()) {
        m_got = Do(job);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = job;
        m_pending = true;
    }
    m_changed.notify_all();
}

std::size_t ChunkPipe::Wait() {
    if (!m_thread.joinable()) return m_got;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pending; });
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
    return m_got;
}

std::uint64_t ChunkPipe::Run(const Transform& transform) {
    const std::size_t count = m_buffers.size() / m_chunkSize;
    auto buffer = [&](std::size_t i) { return m_buffers.data() + (i % count) * m_chunkSize; };

    Start({nullptr, 0, buffer(0)});
    std::size_t got = Wait();
    std::uint64_t total = 0;
    const std::uint8_t* previous = nullptr;  // the transformed chunk still to be written
    std::size_t previousSize = 0;
    for (std::size_t i = 0; got > 0; ++i) {
        total += got;
        const bool last = got < m_chunkSize;
        std::uint8_t* current = buffer(i);
        if (count > 1) {
            // The I/O thread writes the previous chunk and fills the next while this one is
            // transformed.
            Start({previous, previousSize, last ? nullptr : buffer(i + 1)});
            previousSize = transform(current, got);
            previous = current;
            got = Wait();
        } else {
            // One buffer: this chunk is written, then the next read into the same buffer.
            const std::size_t size = transform(current, got);
            Start({current, size, last ? nullptr : current});
            got = Wait();
        }
    }
    if (previousSize > 0) {
        Start({previous, previousSize, nullptr});
        Wait();
    }
    return total;
}
