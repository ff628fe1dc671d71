// The entries of a pack folder as they are on disk, walked without following links.
// Internal to the signing library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "signing/manifest.h"

namespace signing {

// An entry's facts from lstat; `supported` is false for anything but a file, folder or link.
struct DiskEntry {
    std::string path;
    bool supported = true;
    EntryKind kind = EntryKind::File;
    std::uint32_t mode = 0;  // As the manifest keeps it (manifest.h).
    std::uint64_t size = 0;
    std::string linkTarget;
};

// A walk stops at this many entries: no pack needs more, and a hostile one must not make the
// walk run unbounded.
inline constexpr std::size_t kMaxPackEntries = 100000;

// Every entry under `packFolder` except the two signature files, sorted by path. Nothing,
// with a reason, when a folder cannot be read or there are too many entries.
std::optional<std::vector<DiskEntry>> WalkPack(const std::string& packFolder, std::string* error);

// SHA-256 of the regular file at `path` (not followed if a link), lower-case hex, with its
// size; nothing when it cannot be read.
struct ContentDigest {
    std::string sha256;
    std::uint64_t size = 0;
};
std::optional<ContentDigest> DigestFile(const std::string& path);

}  // namespace signing
