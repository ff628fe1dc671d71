// Reading a whole regular file through the system-call seam (posix_calls.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform_export.h"

namespace platform {

// The bytes of the regular file at `path`. Nothing when it cannot be opened or read, is not
// a regular file (a folder, a FIFO that would block, a device that never ends), or holds
// more than `maxBytes` bytes. Interrupted calls are retried.
PACKGATE_PLATFORM_API std::optional<std::vector<std::uint8_t>> ReadRegularFile(
    const char* path, std::size_t maxBytes);

}  // namespace platform
