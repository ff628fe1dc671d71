// Hex string encipher. Compiled into libcipherkit and, a second time, into libhostmark.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include <cipherkit/hex.h>
#include <cipherkit/rc4.h>
#include <cipherkit/string_cipher.h>

char* Encrypt(const char* plainText, const char* passphrase) {
    if (plainText == nullptr || passphrase == nullptr) return nullptr;
    const std::size_t textLength = std::strlen(plainText);
    const std::size_t keyLength = std::strlen(passphrase);
    constexpr std::size_t kMaxLength = std::numeric_limits<unsigned int>::max();
    if (keyLength == 0 || textLength > kMaxLength) return nullptr;

    // new[] of 0 bytes still gives a valid pointer, so an empty text enciphers to "".
    auto work = std::make_unique_for_overwrite<unsigned char[]>(textLength);
    unsigned int produced = 0;
    if (RC4(reinterpret_cast<const unsigned char*>(plainText),
            static_cast<unsigned int>(textLength),
            reinterpret_cast<const unsigned char*>(passphrase),
            static_cast<unsigned int>(std::min(keyLength, kMaxLength)), work.get(),
            &produced) == 0) {
        return nullptr;
    }
    return ByteToHex(work.get(), produced);
}
