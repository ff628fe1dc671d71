// Raw-byte decipher under an MD5-derived key (libcipherkit only).
#include <algorithm>
#include <cstring>
#include <limits>

#include <cipherkit/md5.h>
#include <cipherkit/rc4.h>
#include <cipherkit/string_cipher.h>

namespace {

constexpr unsigned int kDigestLength = 16;

// The key is the digest, so passphrases of any length (the empty one too) give 16 key bytes.
void DigestPassphrase(const char* passphrase, unsigned char* digest) {
    const std::size_t length = std::strlen(passphrase);
    MD5Context context;
    MD5Init(&context);
    // MD5Update takes at most 4 GiB - 1 bytes a call.
    constexpr std::size_t kChunk = std::numeric_limits<unsigned int>::max();
    for (std::size_t done = 0; done < length; done += kChunk) {
        const std::size_t piece = std::min(kChunk, length - done);
        MD5Update(&context, reinterpret_cast<const unsigned char*>(passphrase) + done,
                  static_cast<unsigned int>(piece));
    }
    MD5Final(&context, digest);
}

}  // namespace

bool DecryptString(unsigned char* input, unsigned char* output, unsigned long* outputLength,
                   char* passphrase) {
    if (input == nullptr || output == nullptr || outputLength == nullptr || passphrase == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(reinterpret_cast<const char*>(input));
    if (length > std::numeric_limits<unsigned int>::max()) return false;

    unsigned char key[kDigestLength];
    DigestPassphrase(passphrase, key);
    unsigned int produced = 0;
    if (_RC4(input, static_cast<unsigned int>(length), key, kDigestLength, output, &produced) ==
        0) {
        return false;
    }
    output[produced] = '\0';
    *outputLength = produced;
    return true;
}
