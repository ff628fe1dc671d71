// Built inside the bare machine against the installed packages: MD5 through libcipherkit's
// interface and libhostmark's MD5 text must both give RFC 1321's digest of "abc", and
// libhostmark must list the machine's IPv4 addresses.
#include <cipherkit/md5.h>
#include <hostmark/hostmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char* const kAbcDigest = "900150983cd24fb0d6963f7d28e17f72";

std::string CipherkitDigest(const char* text) {
    MD5Context context;
    unsigned char digest[16];
    MD5Init(&context);
    MD5Update(&context, reinterpret_cast<const unsigned char*>(text),
              static_cast<unsigned>(std::strlen(text)));
    MD5Final(&context, digest);
    std::string hex;
    char pair[3];
    for (unsigned char byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

}  // namespace

int main() {
    const std::string cipherkit = CipherkitDigest("abc");
    const std::unique_ptr<char[]> hostmark(EncryptStringMD5("abc"));
    if (cipherkit != kAbcDigest || !hostmark || std::strcmp(hostmark.get(), kAbcDigest) != 0) {
        std::printf("MD5(abc): libcipherkit %s, libhostmark %s\n", cipherkit.c_str(),
                    hostmark ? hostmark.get() : "(null)");
        return 1;
    }
    char addresses[2048];
    if (Hostmark_GetIPAddress(addresses) != 1 || !std::strstr(addresses, "127.0.0.1")) {
        std::printf("no loopback in the IPv4 list: %s\n", addresses);
        return 1;
    }
    std::printf("MD5(abc) = %s from both libraries; IPv4 list has 127.0.0.1\n", kAbcDigest);
    return 0;
}
