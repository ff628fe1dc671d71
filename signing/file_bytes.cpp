#include "signing/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace signing {
namespace {

void Say(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t step = write(fd, bytes.data(), bytes.size());
        if (step < 0 && errno == EINTR) continue;
        if (step <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(step));
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadSmallFile(const std::string& path, std::size_t maxBytes,
                                                       std::string* error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        Say(error, path + ": " + std::strerror(errno));
        return std::nullopt;
    }
    struct stat facts {};
    if (fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        close(fd);
        Say(error, path + ": not a regular file");
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[16 * 1024];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            Say(error, path + ": " + std::strerror(errno));
            close(fd);
            return std::nullopt;
        }
        if (count == 0) break;
        if (bytes.size() + static_cast<std::size_t>(count) > maxBytes) {
            Say(error, path + ": larger than " + std::to_string(maxBytes) + " bytes");
            close(fd);
            return std::nullopt;
        }
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    close(fd);
    return bytes;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                         std::string* error) {
    char suffix[17];
    const std::uint64_t random = (std::uint64_t{randombytes_random()} << 32) | randombytes_random();
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random));
    const std::string temporary = path + ".tmp-" + suffix;
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        Say(error, path + ": " + std::strerror(errno));
        return false;
    }
    // The umask may have narrowed the mode; a public key must still be readable by all.
    const bool written = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    const int writeError = errno;
    if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
        Say(error, path + ": " + std::strerror(written ? errno : writeError));
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace signing
