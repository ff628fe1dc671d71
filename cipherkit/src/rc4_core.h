// The RC4 key schedule and keystream behind GetKey / RC4 and their second names, as templates
// over the state's element type (bytes, as GetKey hands them out, or machine words), and the
// form that RC4 uses: the x86-64 one where the build has it, the portable one elsewhere.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "rc4_x86_64.h"

// The gathered keystream word puts its first byte lowest, which is its first byte in memory
// only on little-endian processors.
static_assert(std::endian::native == std::endian::little, "RC4 words assume little endian");

namespace cipherkit {

// Fills the 256 entries of `sbox` from `key`; `keyLength` must be non-zero. Each step reads
// the entry of the next step before its own two stores, so the processor need not wait for
// the store addresses (which depend on `j`) before it loads; when `j` lands on that next entry,
// the value read is stale and is read again after the stores.
template <typename Entry>
inline void ScheduleKey(const unsigned char* key, unsigned int keyLength, Entry* sbox) {
    for (unsigned int i = 0; i < 256; ++i) sbox[i] = static_cast<Entry>(i);
    unsigned int j = 0;
    unsigned int k = 0;  // i mod keyLength, kept as a counter to spare a division per byte
    Entry si = sbox[0];
    for (unsigned int i = 0; i < 256; ++i) {
        const unsigned int next = (i + 1) & 0xff;
        Entry ahead = sbox[next];
        j = (j + si + key[k]) & 0xff;
        sbox[i] = sbox[j];
        sbox[j] = si;
        if (j == next) [[unlikely]] ahead = sbox[next];
        si = ahead;
        if (++k == keyLength) k = 0;
    }
}

// One keystream step at `i` (the entry `slotI`, whose value the caller read ahead as `si`):
// moves `j`, swaps the two entries, reads the entry `next` of the following step into `si`
// before the stores (read again after them when `j` is `next`), and answers the keystream
// byte.
template <typename Entry>
inline unsigned int SwapAndPickAhead(Entry* sbox, Entry& slotI, unsigned int next,
                                     unsigned int& j, unsigned int& si) {
    const unsigned int current = si;
    unsigned int ahead = sbox[next];
    j = (j + current) & 0xff;
    const unsigned int sj = sbox[j];
    sbox[j] = static_cast<Entry>(current);
    slotI = static_cast<Entry>(sj);
    if (j == next) [[unlikely]] ahead = sbox[next];
    si = ahead;
    return static_cast<unsigned int>(sbox[(current + sj) & 0xff]) & 0xff;
}

// XORs `length` bytes with the keystream of `sbox` one byte at a time, from the state `i`,
// `j`, in the plain order of the cipher. Each input byte is read before its output place is
// written, so `output` may overlap `input` in any way.
template <typename Entry>
inline void ApplyKeystreamBytewise(Entry* sbox, unsigned int& i, unsigned int& j,
                                   const unsigned char* input, std::size_t length,
                                   unsigned char* output) {
    for (std::size_t k = 0; k < length; ++k) {
        i = (i + 1) & 0xff;
        const Entry si = sbox[i];
        j = (j + si) & 0xff;
        const Entry sj = sbox[j];
        sbox[i] = sj;
        sbox[j] = si;
        output[k] = static_cast<unsigned char>(input[k] ^ sbox[(si + sj) & 0xff]);
    }
}

// Eight keystream bytes, lowest first, from a state whose `i` is a multiple of 8 and whose
// entry i + 1 the caller has read ahead into `si`: the first seven steps use the entries
// i + 1 to i + 7 at fixed distances from one base, and only the eighth wraps around the table.
template <typename Entry>
inline std::uint64_t KeystreamWord(Entry* sbox, unsigned int& i, unsigned int& j,
                                   unsigned int& si) {
    Entry* const row = sbox + i;
    std::uint64_t stream = 0;
#pragma GCC unroll 6
    for (unsigned int b = 1; b < 7; ++b) {
        stream |= static_cast<std::uint64_t>(SwapAndPickAhead(sbox, row[b], i + b + 1, j, si))
                  << (8 * (b - 1));
    }
    i = (i + 8) & 0xff;
    stream |= static_cast<std::uint64_t>(SwapAndPickAhead(sbox, row[7], i, j, si)) << 48;
    stream |= static_cast<std::uint64_t>(SwapAndPickAhead(sbox, sbox[i], i + 1, j, si)) << 56;
    return stream;
}

// Whether whole words of `input` may be read before the words at `output` are written with
// the same result as the byte-at-a-time cipher: yes in place, and when `output` starts at least
// a word after `input` or anywhere before it. When it starts one to seven bytes after `input`,
// a word would read bytes that the byte-at-a-time cipher has already overwritten.
inline bool WordsAllowed(const unsigned char* input, const unsigned char* output) {
    const std::uintptr_t gap =
        reinterpret_cast<std::uintptr_t>(output) - reinterpret_cast<std::uintptr_t>(input);
    return gap == 0 || gap >= 8;
}

// XORs `length` bytes with the keystream of `sbox`, starting at i = 1. Eight keystream bytes
// are gathered into one word and meet eight input bytes in one load, XOR and store, which
// leaves the processor two table stores a byte instead of three. Outputs that words may not
// reach (see WordsAllowed) take single bytes throughout and get the same result.
template <typename Entry>
inline void ApplyKeystream(Entry* sbox, const unsigned char* input, std::size_t length,
                           unsigned char* output) {
    unsigned int i = 0;
    unsigned int j = 0;
    std::size_t k = 0;
    if (WordsAllowed(input, output)) {
        unsigned int si = sbox[1];
        for (; length - k >= 8; k += 8) {
            std::uint64_t word;
            std::memcpy(&word, input + k, sizeof word);
            word ^= KeystreamWord(sbox, i, j, si);
            std::memcpy(output + k, &word, sizeof word);
        }
    }
    ApplyKeystreamBytewise(sbox, i, j, input + k, length - k, output + k);
}

#if defined(CIPHERKIT_RC4_X86_64)
// ApplyKeystream through the x86-64 words, over a state from ScheduleKeyX86_64.
inline void ApplyKeystreamX86_64(std::uint32_t* sbox, const unsigned char* input,
                                 std::size_t length, unsigned char* output) {
    unsigned int i = 0;
    unsigned int j = 0;
    std::size_t k = 0;
    if (length >= 8 && WordsAllowed(input, output)) {
        KeystreamWordsX86_64(sbox, i, j, input, length / 8, output);
        k = length - length % 8;
    }
    ApplyKeystreamBytewise(sbox, i, j, input + k, length - k, output + k);
}
#endif

// XORs `length` bytes of `input` with the keystream of `key` into `output` (overlaps as for
// ApplyKeystream), in the best form this build has; `keyLength` must be non-zero.
inline void Encipher(const unsigned char* key, unsigned int keyLength, const unsigned char* input,
                     std::size_t length, unsigned char* output) {
#if defined(CIPHERKIT_RC4_X86_64)
    std::uint32_t sbox[256];
    ScheduleKeyX86_64(key, keyLength, sbox);
    ApplyKeystreamX86_64(sbox, input, length, output);
#else
    unsigned char sbox[256];
    ScheduleKey(key, keyLength, sbox);
    ApplyKeystream(sbox, input, length, output);
#endif
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
    Encipher(key, keyLength, input, length, output);
    *outputLength = length;
    return -1;
}

}  // namespace cipherkit
