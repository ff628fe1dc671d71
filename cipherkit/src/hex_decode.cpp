// Hex-to-byte decoders (libcipherkit only).
#include <cstddef>
#include <cstring>
#include <memory>

#include <cipherkit/hex.h>

#include "hex_digit.h"
#include "hex_kernels.h"

using cipherkit::HexDigitValue;

unsigned char* HexToByte(const char* hex) {
    if (hex == nullptr) return nullptr;
    const std::size_t length = std::strlen(hex);
    if (length == 0 || length % 2 != 0) return nullptr;
    auto bytes = std::make_unique_for_overwrite<unsigned char[]>(length / 2);
    if (!cipherkit::HexDecode(hex, length / 2, bytes.get())) return nullptr;
    return bytes.release();
}

bool Hex2Char(char* pair, unsigned char& value) {
    const int high = HexDigitValue(pair[0]);
    if (high < 0) return false;
    value = static_cast<unsigned char>(high);
    const int low = HexDigitValue(pair[1]);
    if (low < 0) return false;
    value = static_cast<unsigned char>(high * 16 + low);
    return true;
}

bool Hex2Binary(char* hex, unsigned char* output, int count) {
    for (int i = 0; i < count; ++i) {
        unsigned char value = 0;
        if (!Hex2Char(hex + 2 * i, value)) return false;
        output[i] = value;
    }
    return true;
}
