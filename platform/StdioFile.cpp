// CStdioFile: the line reader and writer over CFile.
//
// The encoding is settled by the first bytes of the file: a UTF-16 byte-order mark selects
// UTF-16 (little- or big-endian), anything else is UTF-8 (a UTF-8 byte-order mark is skipped).
// The reader keeps a read-ahead buffer of at most one line plus one chunk; writes and seeks first
// give back what was read ahead, so the file position is always where the reader stands.
#include <algorithm>
#include <cerrno>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "platform/Utf16.h"

namespace {
enum Encoding { kUnknown = 0, kUtf8 = 1, kUtf16LE = 2, kUtf16BE = 3 };
constexpr size_t kReadChunk = 65536;
}  // namespace

bool CStdioFile::Open(const CString& path, unsigned flags, CFileException* error) {
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    m_encoding = kUnknown;
    return CFile::Open(path, flags, error);
}

bool CStdioFile::Fill() {
    if (m_eof) return false;
    const size_t old = m_buffer.size();
    m_buffer.resize(old + kReadChunk);
    const UINT n = CFile::Read(m_buffer.data() + old, static_cast<UINT>(kReadChunk));
    m_buffer.resize(old + n);
    if (n == 0) m_eof = true;
    return n != 0;
}

bool CStdioFile::ReadString(CString& line) {
    line.Empty();
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);

    if (m_encoding == kUnknown) {
        while (m_buffer.size() - m_pos < 3 && Fill()) {
        }
        const auto* b = reinterpret_cast<const unsigned char*>(m_buffer.data() + m_pos);
        const size_t have = m_buffer.size() - m_pos;
        m_encoding = kUtf8;
        if (have >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
            m_pos += 3;
        } else if (have >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
            m_encoding = kUtf16LE;
            m_pos += 2;
        } else if (have >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
            m_encoding = kUtf16BE;
            m_pos += 2;
        }
    }

    const size_t unit = m_encoding == kUtf8 ? 1 : 2;
    auto isNewline = [&](size_t i) {
        if (unit == 1) return m_buffer[i] == '\n';
        const char low = m_encoding == kUtf16LE ? m_buffer[i] : m_buffer[i + 1];
        const char high = m_encoding == kUtf16LE ? m_buffer[i + 1] : m_buffer[i];
        return low == '\n' && high == 0;
    };
    auto decode = [&](size_t first, size_t last) {
        std::wstring text = unit == 1 ? NarrowToWide(std::string(m_buffer.data() + first, last - first))
                                      : Utf16BytesToWide(m_buffer.data() + first, last - first, m_encoding == kUtf16BE);
        if (!text.empty() && text.back() == L'\r') text.pop_back();
        line = CString(std::move(text));
    };

    size_t scan = m_pos;
    for (;;) {
        for (; scan + unit <= m_buffer.size(); scan += unit) {
            if (isNewline(scan)) {
                decode(m_pos, scan);
                m_pos = scan + unit;
                return true;
            }
        }
        // Drop what has been consumed before reading more, so the buffer holds one line at most.
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_pos));
        scan -= m_pos;
        m_pos = 0;
        if (!Fill()) break;
    }
    if (m_pos >= m_buffer.size()) return false;
    decode(m_pos, m_buffer.size());  // last line without a line end
    m_pos = m_buffer.size();
    return true;
}

void CStdioFile::WriteString(const CString& text) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, EBADF, m_strPath);
    // Bytes read ahead but not consumed: the write belongs where the reader stands.
    if (m_pos < m_buffer.size()) {
        CFile::Seek(-static_cast<std::int64_t>(m_buffer.size() - m_pos), current);
    }
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    const std::string bytes = (m_encoding == kUtf16LE || m_encoding == kUtf16BE)
                                  ? WideToUtf16Bytes(text.str(), m_encoding == kUtf16BE)
                                  : WideToNarrow(text.str());
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t chunk = std::min(bytes.size() - done, static_cast<size_t>(1) << 30);
        CFile::Write(bytes.data() + done, static_cast<UINT>(chunk));
        done += chunk;
    }
}

std::uint64_t CStdioFile::Seek(std::int64_t offset, int from) {
    if (from == current && m_pos < m_buffer.size()) offset -= static_cast<std::int64_t>(m_buffer.size() - m_pos);
    const std::uint64_t pos = CFile::Seek(offset, from);
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    if (pos == 0) m_encoding = kUnknown;  // the byte-order mark is read again
    return pos;
}

std::uint64_t CStdioFile::GetPosition() const {
    return CFile::GetPosition() - (m_buffer.size() - m_pos);
}

void CStdioFile::Close() {
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    m_encoding = kUnknown;
    CFile::Close();
}

void CStdioFile::Abort() {
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    m_encoding = kUnknown;
    CFile::Abort();
}
