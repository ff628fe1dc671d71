// The RC4 stream cipher: key schedule and keystream, with no bytes discarded.
// RC4 is broken as a cipher (biased keystream, no nonce here): it only obscures texts and
// protects nothing against a determined reader.
// Only the first 256 key bytes take part; a longer key acts like its first 256 bytes.
// An empty key (`keyLength` 0) is refused. No state survives a call, so every call starts the
// keystream from its beginning and calls on separate buffers may run on several threads.
#pragma once

#include <cipherkit/export.h>

// Fills the 256 bytes of `sbox` with the key schedule of `key`. Returns 0 when `key` or
// `sbox` is null or `keyLength` is 0 (nothing written); on success -1 in libcipherkit and 1
// in libhostmark's copy, so test the result for non-zero.
CIPHERKIT_API int GetKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox);
// XORs `length` bytes of `input` with the keystream of `key` into `output` (which may be
// `input` itself) and stores `length` in `*outputLength`. Returns -1, or 0 with nothing
// written when `input`, `key` or `output` is null or the key is empty. `outputLength` is not
// checked. Enciphering and deciphering are the same operation.
CIPHERKIT_API int RC4(const unsigned char* input, unsigned int length, const unsigned char* key,
                      unsigned int keyLength, unsigned char* output, unsigned int* outputLength);

// Second names of GetKey and RC4 with exactly their behaviour (`_GetKey` succeeds with -1).
// libcipherkit only.
CIPHERKIT_API int _GetKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox);
CIPHERKIT_API int _RC4(const unsigned char* input, unsigned int length, const unsigned char* key,
                       unsigned int keyLength, unsigned char* output, unsigned int* outputLength);
