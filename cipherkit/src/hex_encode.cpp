// Byte-to-hex encoder. Compiled into libcipherkit and, a second time, into libhostmark.
#include <cstddef>

#include <cipherkit/hex.h>

#include "hex_kernels.h"

char* ByteToHex(const unsigned char* data, unsigned int length) {
    if (data == nullptr) return nullptr;
    const std::size_t count = length;
    char* text = new char[2 * count + 1];
    cipherkit::HexEncode(data, count, text);
    text[2 * count] = '\0';
    return text;
}
