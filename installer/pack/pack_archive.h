// Opening a pack archive (tar, tar.gz, tar.xz or zip of a NAME.pack folder, or of its
// Contents folder alone). An archive is hostile: it is read once, and each entry must pass the
// entry rules (archive_entry_rules.h, whose caps hold here: by default at most 200000
// entries, 256 MiB per file and 1 GiB in all, counted again over the bytes actually
// unpacked, since a header may understate what its data expands to) before anything of it is
// written, into a new private folder under $TMPDIR (or /tmp); links are made last, once every
// entry has passed. The folder goes when the last copy of the Pack does, or at once when
// unpacking fails.
#pragma once

#include <string>

#include "installer/pack/archive_entry_rules.h"
#include "installer/pack/pack.h"

namespace installer {

// Opens the archive file at `path`; once unpacked, it passes `gate` (pack.h).
PackOpening OpenPackArchive(const std::string& path, const ArchiveCaps& caps = {},
                            const PackGate& gate = {});

// The NAME.pack folder name for an archive that holds Contents/ at its top: its file name
// without the archive's extensions ("Demo.pack.tar.gz" -> "Demo.pack", "x.zip" -> "x.pack").
std::string PackFolderNameFor(const std::string& archivePath);

}  // namespace installer
