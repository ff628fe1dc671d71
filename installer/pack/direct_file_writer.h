// Writes one big file of an unpacked archive past the page cache (O_DIRECT), where the file
// system allows it. Nothing reads those bytes soon but the install's own digest check, so
// caching them only costs: every page must first be found and filled, which on a machine
// short of free memory (or a virtual one that hands its free memory back to the host) costs
// more than the disk write itself. Where the file system refuses direct writes (tmpfs of old
// kernels, some FUSE ones) or their alignment, the file is written through the cache instead.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "installer/pack/direct_access.h"

namespace installer {

// An archive's files bigger than this are written past the cache when it is unpacked.
inline constexpr std::uint64_t kUnpackedPastCacheBytes = 1u << 20;

class DirectFileWriter {
  public:
    DirectFileWriter();
    ~DirectFileWriter();  // Closes the file if finish() was not reached.
    DirectFileWriter(const DirectFileWriter&) = delete;
    DirectFileWriter& operator=(const DirectFileWriter&) = delete;

    // Creates the new file `path` (O_EXCL, no link followed) with `mode`; false and errno.
    bool create(const std::string& path, mode_t mode);
    // Adds `count` bytes after those before; false and errno when they cannot be written.
    bool write(const char* bytes, std::size_t count);
    // Writes what is held and closes the file; false and errno on failure.
    bool finish();
    // Whether the bytes so far went past the cache.
    bool direct() const { return direct_; }

  private:
    bool writeHeld(std::size_t count);
    bool leaveDirect();

    int fd_ = -1;
    bool direct_ = false;
    DirectBuffer buffer_;
    std::size_t held_ = 0;  // Bytes in the buffer, not yet written.
};

}  // namespace installer
