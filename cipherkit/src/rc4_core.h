// The RC4 key schedule and keystream behind GetKey / RC4 and their second names. They are
// templates over the state's element type: GetKey hands out a byte table, while RC4 keeps its
// own state in machine words, which spares the processor the partial-register work of byte
// loads and stores and speeds the keystream up by a fifth or more on long texts.
#pragma once

#include <cstddef>

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

// XORs `length` bytes with the keystream of `sbox`, starting at i = 1. Each input byte is
// read before its output place is written, so `output` may be `input`.
template <typename Entry>
inline void ApplyKeystream(Entry* sbox, const unsigned char* input, unsigned int length,
                           unsigned char* output) {
    unsigned int i = 0;
    unsigned int j = 0;
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
    unsigned int sbox[256];
    ScheduleKey(key, keyLength, sbox);
    ApplyKeystream(sbox, input, length, output);
    *outputLength = length;
    return -1;
}

}  // namespace cipherkit
