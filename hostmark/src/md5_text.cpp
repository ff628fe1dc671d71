// MD5 digest as text, over libhostmark's own build of the MD5 functions.
#include <hostmark/md5_text.h>

#include <cipherkit/md5.h>

#include <algorithm>
#include <cstring>
#include <limits>

char* EncryptStringMD5(const char* text) {
    const std::size_t length = std::strlen(text);
    MD5Context context;
    MD5Init(&context);
    // MD5Update takes at most 4 GiB - 1 bytes a call.
    constexpr std::size_t kChunk = std::numeric_limits<unsigned int>::max();
    for (std::size_t done = 0; done < length; done += kChunk) {
        MD5Update(&context, reinterpret_cast<const unsigned char*>(text) + done,
                  static_cast<unsigned int>(std::min(kChunk, length - done)));
    }
    unsigned char digest[16];
    MD5Final(&context, digest);

    static constexpr char kDigits[] = "0123456789abcdef";
    char* hex = new char[33]();
    for (std::size_t i = 0; i < sizeof digest; ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 0xf];
    }
    return hex;
}
