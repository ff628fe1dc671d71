// MD5 message digest (RFC 1321) through an init / update / final interface.
// MD5 is broken for collision resistance: use it for checksums and for deriving cipher keys
// from passphrases, never to sign or authenticate anything.
// Nothing here checks pointers or reports failure. Separate contexts may be used on any
// number of threads at once; one context must not be shared between threads.
#pragma once

#include <cipherkit/export.h>

// Digest state owned by the caller. `byteCount` is one 64-bit count of absorbed bytes, low
// word first; its low word modulo 64 is the number of bytes waiting in `block`.
struct MD5Context {
    unsigned int state[4];
    unsigned int byteCount[2];
    unsigned int block[16];
};

// Starts a digest: sets the RFC 1321 chaining values and a zero count (`block` is untouched).
CIPHERKIT_API void MD5Init(MD5Context* context);
// Absorbs `length` bytes of `data`, which may arrive in pieces of any size.
CIPHERKIT_API void MD5Update(MD5Context* context, const unsigned char* data, unsigned int length);
// Pads the message, writes the 16-byte digest and clears the whole context; call MD5Init
// before using the context again.
CIPHERKIT_API void MD5Final(MD5Context* context, unsigned char* digest);
// One compression of the 16-word `block` (host byte order) into the 4-word `state`.
CIPHERKIT_API void MD5Transform(unsigned int* state, const unsigned int* block);
// Does nothing: the libraries are built for little-endian processors only, where the block
// words already stand in the byte order MD5 reads. Kept for callers of the exported name.
CIPHERKIT_API void byteSwap(unsigned int* words, unsigned int count);
