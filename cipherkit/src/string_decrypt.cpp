// Hex string decipher (libcipherkit only).
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include <cipherkit/hex.h>
#include <cipherkit/rc4.h>
#include <cipherkit/string_cipher.h>

char* Decrypt(const char* hexText, const char* passphrase) {
    if (hexText == nullptr || passphrase == nullptr) return nullptr;
    const std::size_t hexLength = std::strlen(hexText);
    const std::size_t keyLength = std::strlen(passphrase);
    constexpr std::size_t kMaxLength = std::numeric_limits<unsigned int>::max();
    if (hexLength % 2 != 0 || keyLength == 0 || hexLength / 2 > kMaxLength) return nullptr;

    // HexToByte refuses empty and malformed texts; a null result makes RC4 refuse too.
    const std::unique_ptr<unsigned char[]> cipher(HexToByte(hexText));
    const std::size_t count = hexLength / 2;
    auto plain = std::make_unique<char[]>(count + 1);
    unsigned int produced = 0;
    if (RC4(cipher.get(), static_cast<unsigned int>(count),
            reinterpret_cast<const unsigned char*>(passphrase),
            static_cast<unsigned int>(std::min(keyLength, kMaxLength)),
            reinterpret_cast<unsigned char*>(plain.get()), &produced) == 0) {
        return nullptr;
    }
    plain[produced] = '\0';
    return plain.release();
}
