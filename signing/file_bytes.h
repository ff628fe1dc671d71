// Reading and writing the library's small files. Internal to the signing library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace signing {

// The bytes of the regular file at `path`, not following a link at its last component;
// nothing when it is not a regular file, cannot be read or holds more than `maxBytes`.
std::optional<std::vector<std::uint8_t>> ReadSmallFile(const std::string& path, std::size_t maxBytes,
                                                       std::string* error = nullptr);

// Writes `bytes` to `path` whole or not at all: into a new temporary file beside it, created
// with `mode` (O_EXCL, so never wider even for a moment), flushed, then renamed over `path`.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                         std::string* error = nullptr);

}  // namespace signing
