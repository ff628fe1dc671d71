// Writing a pack folder as one archive that is the same, byte for byte, whoever makes it and
// whenever: entries in byte order of their paths, every owner root (0/0, named "root"), every
// time the same, permission bits kept, nothing else of the disk (no extended attributes, no
// access times); tar.xz single-threaded, zip with UTF-8 names and its DOS times read in UTC.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "packtool/archive_format.h"

namespace packtool {

// 1980-01-01 00:00:00 UTC, the earliest time a zip entry can hold.
inline constexpr std::int64_t kDefaultEntryTime = 315532800;

struct ArchiveRequest {
    std::string packFolder;  // The NAME.pack folder.
    std::string output;      // The archive file; replaced whole once written.
    ArchiveFormat format = ArchiveFormat::TarXz;
    std::int64_t entryTime = kDefaultEntryTime;
};

struct ArchiveResult {
    std::size_t entries = 0;
    std::string error;  // Empty when written; else one line.
};

// Writes the archive. The pack's entries go under "NAME.pack/" when the folder's name ends in
// ".pack", else under "Contents/" alone. Only files, folders and links are taken; anything
// else fails the whole archive, and nothing is left at `output` on failure.
ArchiveResult WriteReproducibleArchive(const ArchiveRequest& request);

// The entries' time from a SOURCE_DATE_EPOCH value: its whole non-negative seconds, or nothing
// when it is absent or not such a number.
std::optional<std::int64_t> EntryTimeFrom(const char* sourceDateEpoch);

}  // namespace packtool
