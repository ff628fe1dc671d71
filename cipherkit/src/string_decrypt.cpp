// Hex string decipher (libcipherkit only).
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include <cipherkit/rc4.h>
#include <cipherkit/string_cipher.h>

#include "hex_kernels.h"

char* Decrypt(const char* hexText, const char* passphrase) {
    if (hexText == nullptr || passphrase == nullptr) return nullptr;
    const std::size_t hexLength = std::strlen(hexText);
    const std::size_t keyLength = std::strlen(passphrase);
    constexpr std::size_t kMaxLength = std::numeric_limits<unsigned int>::max();
    if (hexLength == 0 || hexLength % 2 != 0 || keyLength == 0 || hexLength / 2 > kMaxLength) {
        return nullptr;
    }

    // The cipher bytes are decoded straight into the plain text's array and deciphered there.
    const std::size_t count = hexLength / 2;
    auto plain = std::make_unique_for_overwrite<char[]>(count + 1);
    auto* bytes = reinterpret_cast<unsigned char*>(plain.get());
    if (!cipherkit::HexDecode(hexText, count, bytes)) return nullptr;
    unsigned int produced = 0;
    if (RC4(bytes, static_cast<unsigned int>(count),
            reinterpret_cast<const unsigned char*>(passphrase),
            static_cast<unsigned int>(std::min(keyLength, kMaxLength)), bytes, &produced) == 0) {
        return nullptr;
    }
    plain[produced] = '\0';
    return plain.release();
}
