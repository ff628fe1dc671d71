// The RC4 key schedule and keystream behind GetKey / RC4 and their second names, as templates
// over the state's element type (bytes, as GetKey hands them out, or machine words).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The gathered keystream word puts its first byte lowest, which is its first byte in memory
// only on little-endian processors.
static_assert(std::endian::native == std::endian::little, "RC4 words assume little endian");

namespace cipherkit {

// Fills the 256 entries of `sbox` from `key`; `keyLength` must be non-zero.
template <typename Entry>
inline void ScheduleKey(const unsigned char* key, unsigned int keyLength, Entry* sbox) {
    for (unsigned int i = 0; i < 256; ++i) sbox[i] = static_cast<Entry>(i);
    unsigned int j = 0;
    unsigned int k = 0;  // i mod keyLength, kept as a counter to spare a division per byte
    for (unsigned int i = 0; i < 256; ++i) {
        const Entry si = sbox[i];
        j = (j + si + key[k]) & 0xff;
        sbox[i] = sbox[j];
        sbox[j] = si;
        if (++k == keyLength) k = 0;
    }
}

// One keystream step once `i` has advanced to the entry `si`: moves `j`, swaps the two
// entries and answers the keystream byte.
template <typename Entry>
inline unsigned int SwapAndPick(Entry* sbox, Entry& slotI, unsigned int& j) {
    const Entry si = slotI;
    j = (j + si) & 0xff;
    const Entry sj = sbox[j];
    slotI = sj;
    sbox[j] = si;
    return static_cast<unsigned int>(sbox[(si + sj) & 0xff]) & 0xff;
}

// XORs `length` bytes with the keystream of `sbox` one byte at a time, from the state `i`,
// `j`. Each input byte is read before its output place is written, so `output` may overlap
// `input` in any way.
template <typename Entry>
inline void ApplyKeystreamBytewise(Entry* sbox, unsigned int& i, unsigned int& j,
                                   const unsigned char* input, std::size_t length,
                                   unsigned char* output) {
    for (std::size_t k = 0; k < length; ++k) {
        i = (i + 1) & 0xff;
        output[k] = static_cast<unsigned char>(input[k] ^ SwapAndPick(sbox, sbox[i], j));
    }
}

// Eight keystream bytes, lowest first, from a state whose `i` is a multiple of 8: the first
// seven steps then use the entries i + 1 to i + 7 at fixed distances from one base, and only
// the eighth wraps around the table.
template <typename Entry>
inline std::uint64_t KeystreamWord(Entry* sbox, unsigned int& i, unsigned int& j) {
    Entry* const row = sbox + i;
    std::uint64_t stream = 0;
#pragma GCC unroll 7
    for (unsigned int b = 1; b < 8; ++b) {
        stream |= static_cast<std::uint64_t>(SwapAndPick(sbox, row[b], j)) << (8 * (b - 1));
    }
    i = (i + 8) & 0xff;
    stream |= static_cast<std::uint64_t>(SwapAndPick(sbox, sbox[i], j)) << 56;
    return stream;
}

// XORs `length` bytes with the keystream of `sbox`, starting at i = 1. Eight keystream bytes
// are gathered into one word and meet eight input bytes in one load, XOR and store, which
// leaves the processor two table stores a byte instead of three. Whole words are read before
// they are written, so `output` may be `input`; when it starts one to seven bytes after
// `input`, a word would read bytes that the byte-at-a-time cipher has already overwritten, so
// that case keeps to single bytes and gives the same result.
template <typename Entry>
inline void ApplyKeystream(Entry* sbox, const unsigned char* input, std::size_t length,
                           unsigned char* output) {
    unsigned int i = 0;
    unsigned int j = 0;
    const std::uintptr_t gap =
        reinterpret_cast<std::uintptr_t>(output) - reinterpret_cast<std::uintptr_t>(input);
    std::size_t k = 0;
    if (gap == 0 || gap >= 8) {
        for (; length - k >= 8; k += 8) {
            std::uint64_t word;
            std::memcpy(&word, input + k, sizeof word);
            word ^= KeystreamWord(sbox, i, j);
            std::memcpy(output + k, &word, sizeof word);
        }
    }
    ApplyKeystreamBytewise(sbox, i, j, input + k, length - k, output + k);
}

// GetKey and its second name: 0 for a null pointer or an empty key (nothing written),
// otherwise the schedule in `sbox` and `success`.
inline int CheckedScheduleKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox,
                              int success) {
    if (key == nullptr || sbox == nullptr || keyLength == 0) return 0;
    ScheduleKey(key, keyLength, sbox);
    return success;
}

// RC4 and its second name: 0 for a null pointer or an empty key (nothing written), otherwise
// the output, its length in `*outputLength`, and -1.
inline int CheckedCrypt(const unsigned char* input, unsigned int length, const unsigned char* key,
                        unsigned int keyLength, unsigned char* output, unsigned int* outputLength) {
    if (input == nullptr || key == nullptr || output == nullptr || keyLength == 0) return 0;
    unsigned char sbox[256];
    ScheduleKey(key, keyLength, sbox);
    ApplyKeystream(sbox, input, length, output);
    *outputLength = length;
    return -1;
}

}  // namespace cipherkit
