// OpenSSL's MD5, RC4 and hex helpers, the speed references of the cipherkit benchmark. The
// low-level interfaces are used on purpose: they are OpenSSL's fastest paths.
#pragma once

#include <cstddef>

namespace baseline {

void Md5(const unsigned char* data, std::size_t length, unsigned char* digest);
// Key schedule and keystream per call, as the library's RC4 does.
void Rc4(const unsigned char* key, int keyLength, const unsigned char* input, std::size_t length,
         unsigned char* output);
// Upper-case hex without separators into `text` (2 * length + 1 bytes).
void ToHex(const unsigned char* data, std::size_t length, char* text);
// Decodes the hex text `hex` without separators into `out` (room for `room` bytes); false
// for a malformed text.
bool FromHex(const char* hex, unsigned char* out, std::size_t room);

}  // namespace baseline
