// The second exported names of the RC4 key schedule and keystream (libcipherkit only).
#include <cipherkit/rc4.h>

#include "rc4_core.h"

int _GetKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox) {
    return cipherkit::CheckedScheduleKey(key, keyLength, sbox, -1);
}

int _RC4(const unsigned char* input, unsigned int length, const unsigned char* key,
         unsigned int keyLength, unsigned char* output, unsigned int* outputLength) {
    return cipherkit::CheckedCrypt(input, length, key, keyLength, output, outputLength);
}
