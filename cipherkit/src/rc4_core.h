// The RC4 key schedule and keystream behind GetKey / RC4 and their second names.
#pragma once

#include <cstddef>

namespace cipherkit {

// Fills the 256-byte `sbox` from `key`; `keyLength` must be non-zero.
inline void ScheduleKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox) {
    for (unsigned int i = 0; i < 256; ++i) sbox[i] = static_cast<unsigned char>(i);
    unsigned int j = 0;
    unsigned int k = 0;  // i mod keyLength, kept as a counter to spare a division per byte
    for (unsigned int i = 0; i < 256; ++i) {
        const unsigned char si = sbox[i];
        j = (j + si + key[k]) & 0xff;
        sbox[i] = sbox[j];
        sbox[j] = si;
        if (++k == keyLength) k = 0;
    }
}

// XORs `length` bytes with the keystream of `sbox`, starting at i = 1. Each input byte is
// read before its output place is written, so `output` may be `input`.
inline void ApplyKeystream(unsigned char* sbox, const unsigned char* input, unsigned int length,
                           unsigned char* output) {
    unsigned int i = 0;
    unsigned int j = 0;
    for (std::size_t k = 0; k < length; ++k) {
        i = (i + 1) & 0xff;
        const unsigned char si = sbox[i];
        j = (j + si) & 0xff;
        const unsigned char sj = sbox[j];
        sbox[i] = sj;
        sbox[j] = si;
        output[k] = static_cast<unsigned char>(input[k] ^ sbox[(si + sj) & 0xff]);
    }
}

}  // namespace cipherkit
