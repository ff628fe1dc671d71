#include "installer/install/file_digest.h"

#include <fcntl.h>
#include <openssl/evp.h>

#include <array>
#include <cerrno>

#include "installer/pack/direct_access.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    state_->context = EVP_MD_CTX_new();
    if (state_->context != nullptr) EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr);
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(state_->context);
}

void Sha256::add(const void* bytes, std::size_t count) {
    if (state_->context != nullptr) EVP_DigestUpdate(state_->context, bytes, count);
}

std::string Sha256::hex() {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (state_->context == nullptr ||
        EVP_DigestFinal_ex(state_->context, digest.data(), &length) != 1) {
        return "";
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

namespace {

// Each direct read waits on the disk, so they are big.
constexpr std::size_t kDirectReadBytes = 1u << 20;

// The digest of what is left to read of `fd`, through `buffer`. Should the file system refuse
// a direct read (an alignment it needs beyond a block), the rest is read through the cache.
std::optional<FileDigest> DigestReadInto(int fd, char* buffer, std::size_t size) {
    Sha256 sha;
    FileDigest result;
    for (;;) {
        ssize_t got = platform::ReadRetrying(fd, buffer, size);
        if (got < 0 && errno == EINVAL && LeaveDirectAccess(fd)) got = platform::ReadRetrying(fd, buffer, size);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        sha.add(buffer, static_cast<std::size_t>(got));
        result.size += static_cast<unsigned long long>(got);
    }
    result.sha256 = sha.hex();
    return result;
}

// DigestOfOpenFile for a file opened with O_DIRECT.
std::optional<FileDigest> DigestOfDirectFile(int fd) {
    const DirectBuffer buffer = NewDirectBuffer(kDirectReadBytes);
    if (!buffer) {
        errno = ENOMEM;
        return std::nullopt;
    }
    return DigestReadInto(fd, buffer.get(), kDirectReadBytes);
}

}  // namespace

std::optional<FileDigest> DigestOfOpenFile(int fd) {
    std::array<char, 65536> buffer{};
    return DigestReadInto(fd, buffer.data(), buffer.size());
}

std::optional<FileDigest> DigestOfFileAt(int folder, const std::string& name, bool pastCache) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC;
    int fd = pastCache ? platform::OpenAtRetrying(folder, name.c_str(), flags | O_DIRECT) : -1;
    const bool direct = fd >= 0;
    if (!direct && (!pastCache || errno == EINVAL)) fd = platform::OpenAtRetrying(folder, name.c_str(), flags);
    if (fd < 0) return std::nullopt;
    auto result = direct ? DigestOfDirectFile(fd) : DigestOfOpenFile(fd);
    const int error = errno;
    platform::CloseOnce(fd);
    errno = error;
    return result;
}

}  // namespace installer
