// RC4 key schedule and keystream. Compiled into libcipherkit and, a second time, into
// libhostmark; the two builds differ only in GetKey's success result, which each library
// sets through CIPHERKIT_GETKEY_SUCCESS (-1 in libcipherkit, 1 in libhostmark).
#include <cipherkit/rc4.h>

#include "rc4_core.h"

#ifndef CIPHERKIT_GETKEY_SUCCESS
#error "CIPHERKIT_GETKEY_SUCCESS must be defined by the library that compiles this file"
#endif

int GetKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox) {
    if (key == nullptr || sbox == nullptr || keyLength == 0) return 0;
    cipherkit::ScheduleKey(key, keyLength, sbox);
    return CIPHERKIT_GETKEY_SUCCESS;
}

int RC4(const unsigned char* input, unsigned int length, const unsigned char* key,
        unsigned int keyLength, unsigned char* output, unsigned int* outputLength) {
    if (input == nullptr || key == nullptr || output == nullptr) return 0;
    if (keyLength == 0) return 0;  // the key schedule's own refusal
    cipherkit::Crypt(key, keyLength, input, length, output);
    *outputLength = length;
    return -1;
}
