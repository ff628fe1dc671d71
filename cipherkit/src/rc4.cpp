// RC4 key schedule and keystream. Compiled into libcipherkit and, a second time, into
// libhostmark; the two builds differ only in GetKey's success result, which each library
// sets through CIPHERKIT_GETKEY_SUCCESS (-1 in libcipherkit, 1 in libhostmark).
#include <cipherkit/rc4.h>

#include "rc4_core.h"

#ifndef CIPHERKIT_GETKEY_SUCCESS
#error "CIPHERKIT_GETKEY_SUCCESS must be defined by the library that compiles this file"
#endif

int GetKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox) {
    return cipherkit::CheckedScheduleKey(key, keyLength, sbox, CIPHERKIT_GETKEY_SUCCESS);
}

int RC4(const unsigned char* input, unsigned int length, const unsigned char* key,
        unsigned int keyLength, unsigned char* output, unsigned int* outputLength) {
    return cipherkit::CheckedCrypt(input, length, key, keyLength, output, outputLength);
}
