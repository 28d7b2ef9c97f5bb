// RC5-32/r/16: key expansion and the block transforms.
#include "store/Rc5.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::uint32_t kP32 = 0xB7E15163u;
constexpr std::uint32_t kQ32 = 0x9E3779B9u;

std::uint32_t LoadWord(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreWord(std::uint8_t* p, std::uint32_t w) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &w, sizeof w);
    } else {
        p[0] = static_cast<std::uint8_t>(w);
        p[1] = static_cast<std::uint8_t>(w >> 8);
        p[2] = static_cast<std::uint8_t>(w >> 16);
        p[3] = static_cast<std::uint8_t>(w >> 24);
    }
}

// Rotation by the low five bits of a data-dependent word.
std::uint32_t RotL(std::uint32_t x, std::uint32_t by) {
    return std::rotl(x, static_cast<int>(by & 31u));
}
std::uint32_t RotR(std::uint32_t x, std::uint32_t by) {
    return std::rotr(x, static_cast<int>(by & 31u));
}

// The block transforms over `n` blocks at once: independent blocks interleaved round by round
// keep the processor busy while each block waits on its own chain of rotations. Kept out of the
// exported members so that the buffer loops inline them.
template <int n>
inline void EncipherBlocks(const std::uint32_t* s, int rounds, std::uint8_t* data) {
    std::uint32_t a[n], b[n];
    for (int x = 0; x < n; ++x) {
        a[x] = LoadWord(data + 8 * x) + s[0];
        b[x] = LoadWord(data + 8 * x + 4) + s[1];
    }
    for (int k = 1; k <= rounds; ++k) {
        for (int x = 0; x < n; ++x) a[x] = RotL(a[x] ^ b[x], b[x]) + s[2 * k];
        for (int x = 0; x < n; ++x) b[x] = RotL(b[x] ^ a[x], a[x]) + s[2 * k + 1];
    }
    for (int x = 0; x < n; ++x) {
        StoreWord(data + 8 * x, a[x]);
        StoreWord(data + 8 * x + 4, b[x]);
    }
}

template <int n>
inline void DecipherBlocks(const std::uint32_t* s, int rounds, std::uint8_t* data) {
    std::uint32_t a[n], b[n];
    for (int x = 0; x < n; ++x) {
        a[x] = LoadWord(data + 8 * x);
        b[x] = LoadWord(data + 8 * x + 4);
    }
    for (int k = rounds; k >= 1; --k) {
        for (int x = 0; x < n; ++x) b[x] = RotR(b[x] - s[2 * k + 1], a[x]) ^ a[x];
        for (int x = 0; x < n; ++x) a[x] = RotR(a[x] - s[2 * k], b[x]) ^ b[x];
    }
    for (int x = 0; x < n; ++x) {
        StoreWord(data + 8 * x, a[x] - s[0]);
        StoreWord(data + 8 * x + 4, b[x] - s[1]);
    }
}

constexpr int kInterleave = 4;

}  // namespace

Rc5::Rc5(const Key& key, int rounds) : m_rounds(rounds) {
    if (rounds < 1 || rounds > 255) throw std::invalid_argument("RC5 round count out of range");
    constexpr std::size_t c = kKeySize / 4;
    std::array<std::uint32_t, c> words;
    for (std::size_t j = 0; j < c; ++j) words[j] = LoadWord(key.data() + 4 * j);

    const std::size_t t = 2 * (static_cast<std::size_t>(rounds) + 1);
    m_table.resize(t);
    m_table[0] = kP32;
    for (std::size_t i = 1; i < t; ++i) m_table[i] = m_table[i - 1] + kQ32;

    std::uint32_t a = 0, b = 0;
    std::size_t i = 0, j = 0;
    for (std::size_t k = 0; k < 3 * std::max(t, c); ++k) {
        a = m_table[i] = RotL(m_table[i] + a + b, 3);
        b = words[j] = RotL(words[j] + a + b, a + b);
        i = (i + 1) % t;
        j = (j + 1) % c;
    }
}

void Rc5::EncryptBlock(std::uint8_t* block) const {
    EncipherBlocks<1>(m_table.data(), m_rounds, block);
}

void Rc5::DecryptBlock(std::uint8_t* block) const {
    DecipherBlocks<1>(m_table.data(), m_rounds, block);
}

void Rc5::Encrypt(std::uint8_t* data, std::size_t size) const {
    assert(size % kBlockSize == 0);
    const std::uint32_t* s = m_table.data();
    const int rounds = m_rounds;
    std::size_t off = 0;
    for (; off + kInterleave * kBlockSize <= size; off += kInterleave * kBlockSize)
        EncipherBlocks<kInterleave>(s, rounds, data + off);
    for (; off + kBlockSize <= size; off += kBlockSize) EncipherBlocks<1>(s, rounds, data + off);
}

void Rc5::Decrypt(std::uint8_t* data, std::size_t size) const {
    assert(size % kBlockSize == 0);
    const std::uint32_t* s = m_table.data();
    const int rounds = m_rounds;
    std::size_t off = 0;
    for (; off + kInterleave * kBlockSize <= size; off += kInterleave * kBlockSize)
        DecipherBlocks<kInterleave>(s, rounds, data + off);
    for (; off + kBlockSize <= size; off += kBlockSize) DecipherBlocks<1>(s, rounds, data + off);
}
