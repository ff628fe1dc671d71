#include "packtool/secret_key_file.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace packtool {

std::optional<bool> SecretKeyIsEncrypted(std::string_view text) {
    // The first line is the untrusted comment, the second the key in base64.
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos || !text.starts_with("untrusted comment:")) return std::nullopt;
    std::string_view encoded = text.substr(lineEnd + 1);
    encoded = encoded.substr(0, encoded.find('\n'));
    if (encoded.ends_with('\r')) encoded.remove_suffix(1);
    // An empty key line decodes to nothing, and an empty buffer has no address to hand over.
    if (encoded.empty() || sodium_init() < 0) return std::nullopt;
    // Only the first bytes are wanted; they are not secret (algorithm, kdf, checksum names).
    std::vector<unsigned char> bytes(encoded.size());
    std::size_t length = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), encoded.data(), encoded.size(), nullptr,
                          &length, nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        length < 6 || bytes[0] != 'E' || bytes[1] != 'd') {
        sodium_memzero(bytes.data(), bytes.size());
        return std::nullopt;
    }
    const bool scrypt = bytes[2] == 'S' && bytes[3] == 'c';
    const bool plain = bytes[2] == 0 && bytes[3] == 0;
    sodium_memzero(bytes.data(), bytes.size());
    if (!scrypt && !plain) return std::nullopt;
    return scrypt;
}

std::optional<std::string> ReadKeyFileText(const std::string& path, std::string& error) {
    constexpr std::size_t kMaxBytes = 4096;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat facts {};
    std::string text;
    if (fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        error = path + " is not a key file";
    } else {
        char buffer[kMaxBytes + 1];
        ssize_t got = 0;
        do {
            got = read(fd, buffer, sizeof buffer);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
        } else if (static_cast<std::size_t>(got) > kMaxBytes) {
            error = path + " is too large for a key file";
        } else {
            text.assign(buffer, static_cast<std::size_t>(got));
        }
        sodium_memzero(buffer, sizeof buffer);
    }
    close(fd);
    if (!error.empty()) return std::nullopt;
    return text;
}

}  // namespace packtool
