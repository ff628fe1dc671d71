// Direct access (O_DIRECT): reading and writing a file past the page cache. It must start,
// end and sit in memory on the device's block boundaries, and a file system may refuse it,
// at the open or at any call; whoever uses it then goes on through the cache.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace installer {

// The block boundary direct access is held to: 4 KiB covers the devices in use.
inline constexpr std::size_t kDirectBlock = 4096;

struct FreeDirectBuffer {
    void operator()(char* bytes) const { std::free(bytes); }
};
using DirectBuffer = std::unique_ptr<char[], FreeDirectBuffer>;

// `bytes` (a whole number of blocks) on a block boundary; null when memory is short.
DirectBuffer NewDirectBuffer(std::size_t bytes);

// Takes direct access off the open file `fd`, so the rest goes through the cache; false
// when it was not on or cannot be taken off.
bool LeaveDirectAccess(int fd);

}  // namespace installer
