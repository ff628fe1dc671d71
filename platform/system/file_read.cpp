#include "system/file_read.h"

#include <fcntl.h>

#include <algorithm>

#include "system/posix_calls.h"

namespace platform {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// Reads to the end of `fd`; nothing on an error or when more than `maxBytes` arrive. The
// size that fstat gave is only a hint: the file may grow or shrink while it is read.
std::optional<std::vector<std::uint8_t>> ReadToEnd(int fd, std::size_t sizeHint,
                                                   std::size_t maxBytes) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::min(sizeHint, maxBytes));
    for (;;) {
        // Asking for one byte more than is left reveals an oversize file.
        const std::size_t left = maxBytes - bytes.size();
        const std::size_t want = left >= kChunkBytes ? kChunkBytes : left + 1;
        const std::size_t used = bytes.size();
        bytes.resize(used + want);
        const ssize_t got = ReadRetrying(fd, bytes.data() + used, want);
        if (got < 0) return std::nullopt;
        bytes.resize(used + static_cast<std::size_t>(got));
        if (got == 0) return bytes;
        if (bytes.size() > maxBytes) return std::nullopt;
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadRegularFile(const char* path, std::size_t maxBytes) {
    if (path == nullptr || *path == '\0') return std::nullopt;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
    const int fd = OpenRetrying(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::optional<std::vector<std::uint8_t>> bytes;
    if (Posix().fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes = ReadToEnd(fd, static_cast<std::size_t>(info.st_size), maxBytes);
    }
    CloseOnce(fd);
    return bytes;
}

}  // namespace platform
