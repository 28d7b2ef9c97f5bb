// RC5 block cipher with 32-bit words, 64-bit blocks and a 16-byte key (RC5-32/r/16).
//
// Written here rather than taken from a library: the container format fixes RC5 with its own
// round count, and no maintained cryptography library on our platforms still ships RC5.
//
// Blocks are 8 bytes: bytes 0 to 3 form the word A and bytes 4 to 7 the word B, little-endian on
// every host. An Rc5 object holds only its expanded key table, is immutable after construction
// and may be used by any number of threads at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/WinTypes.h"

class QZ_MONITOR_API Rc5 {
public:
    static constexpr std::size_t kBlockSize = 8;
    static constexpr std::size_t kKeySize = 16;
    using Key = std::array<std::uint8_t, kKeySize>;

    // Expands `key` for `rounds` rounds (1 to 255).
    Rc5(const Key& key, int rounds);

    int Rounds() const { return m_rounds; }

    // Encipher or decipher one block in place.
    void EncryptBlock(std::uint8_t* block) const;
    void DecryptBlock(std::uint8_t* block) const;

    // Encipher or decipher `size` bytes in place as independent blocks (electronic code book).
    // `size` must be a multiple of kBlockSize.
    void Encrypt(std::uint8_t* data, std::size_t size) const;
    void Decrypt(std::uint8_t* data, std::size_t size) const;

private:
    int m_rounds;
    std::vector<std::uint32_t> m_table;  // S: 2 * (rounds + 1) words
};
