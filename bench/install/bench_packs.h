// The packs the install benchmark installs, made once in a scratch folder on the disk the
// installs write to (never tmpfs, so both sides pay the same disk): NAME.pack folders with a
// payload of many small or a few large files, and their tar and tar.xz archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace install_bench {

struct PackShape {
    std::string name;         // "Small" makes Small.pack
    std::size_t files = 0;
    std::size_t bytesPerFile = 0;
    std::size_t filesPerFolder = 0;
};

// Makes `folder`/NAME.pack unless a complete one is there already; answers its path.
std::string MakePackFolder(const std::string& folder, const PackShape& shape);

// Makes the archive `archive` of the pack folder `pack` with tar (`compress`: "" or "J").
void MakeArchive(const std::string& pack, const std::string& archive, const std::string& compress);

// Runs `command` with /bin/sh and stops the benchmark when it fails.
void Shell(const std::string& command);

}  // namespace install_bench
