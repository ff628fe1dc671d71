#include "openssl_baseline.h"

#include <openssl/crypto.h>
#include <openssl/md5.h>
#include <openssl/rc4.h>

namespace baseline {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

void Md5(const unsigned char* data, std::size_t length, unsigned char* digest) {
    MD5_CTX context;
    MD5_Init(&context);
    MD5_Update(&context, data, length);
    MD5_Final(digest, &context);
}

void Rc4(const unsigned char* key, int keyLength, const unsigned char* input, std::size_t length,
         unsigned char* output) {
    RC4_KEY schedule;
    RC4_set_key(&schedule, keyLength, key);
    RC4(&schedule, length, input, output);
}

#pragma GCC diagnostic pop

void ToHex(const unsigned char* data, std::size_t length, char* text) {
    std::size_t written = 0;
    OPENSSL_buf2hexstr_ex(text, 2 * length + 1, &written, data, length, '\0');
}

bool FromHex(const char* hex, unsigned char* out, std::size_t room) {
    std::size_t written = 0;
    return OPENSSL_hexstr2buf_ex(out, room, &written, hex, '\0') == 1;
}

}  // namespace baseline
