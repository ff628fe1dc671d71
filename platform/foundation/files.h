// File queries of the file manager (NSFileManager), over the system calls of the platform
// seam, so tests can make them fail on cue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform_export.h"

namespace foundation {

// Whether anything exists at `path`: a file, a folder, or a link to one (links are followed,
// so a dangling or looping link answers no). No for an absent or empty path.
PACKGATE_PLATFORM_API bool FileExistsAtPath(const std::optional<std::string>& path);

// The whole file at `path` (`contentsAtPath:`). Nothing when the path is absent, the file is
// missing, unreadable, a folder, or larger than `maxBytes`.
PACKGATE_PLATFORM_API std::optional<std::vector<std::uint8_t>> ContentsAtPath(
    const std::optional<std::string>& path, std::size_t maxBytes);

// The names (not paths) of the entries of the folder at `path`, without "." and "..", in the
// order the system lists them (`contentsOfDirectoryAtPath:error:`). Nothing on error.
PACKGATE_PLATFORM_API std::optional<std::vector<std::string>> ContentsOfDirectoryAtPath(
    const std::string& path);

}  // namespace foundation
