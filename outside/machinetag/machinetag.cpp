#include "machinetag/machinetag.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include <cipherkit/hex.h>
#include <cipherkit/md5.h>

#include "system/system_info.h"

namespace {

constexpr std::size_t kDigestBytesUsed = MTAG_ID_LENGTH / 2;

// Hashing keeps the raw hardware UUID on the machine while giving the same text every run.
std::string IdentifierOf(const std::string& uuid) {
    MD5Context context;
    MD5Init(&context);
    MD5Update(&context, reinterpret_cast<const unsigned char*>(uuid.data()),
              static_cast<unsigned int>(uuid.size()));
    std::array<unsigned char, 16> digest{};
    MD5Final(&context, digest.data());

    const std::unique_ptr<char[]> hex(ByteToHex(digest.data(), kDigestBytesUsed));
    return hex ? std::string(hex.get()) : std::string();
}

}  // namespace

extern "C" int MTAGGetID(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    const std::string uuid = platform::PlatformUUID();
    const std::string id = uuid.empty() ? std::string() : IdentifierOf(uuid);
    const std::size_t room = static_cast<std::size_t>(size) - 1;
    const std::size_t count = id.size() < room ? id.size() : room;
    id.copy(buffer, count);
    buffer[count] = '\0';
    return (!id.empty() && count == id.size()) ? 1 : 0;
}
