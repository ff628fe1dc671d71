// The second exported names of the RC4 key schedule and keystream (libcipherkit only).
#include <cipherkit/rc4.h>

#include "rc4_core.h"

int _GetKey(const unsigned char* key, unsigned int keyLength, unsigned char* sbox) {
    if (key == nullptr || sbox == nullptr || keyLength == 0) return 0;
    cipherkit::ScheduleKey(key, keyLength, sbox);
    return -1;
}

int _RC4(const unsigned char* input, unsigned int length, const unsigned char* key,
         unsigned int keyLength, unsigned char* output, unsigned int* outputLength) {
    if (input == nullptr || key == nullptr || output == nullptr) return 0;
    if (keyLength == 0) return 0;  // the key schedule's own refusal
    cipherkit::Crypt(key, keyLength, input, length, output);
    *outputLength = length;
    return -1;
}
