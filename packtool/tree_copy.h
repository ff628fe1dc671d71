// Copying a folder tree as it stands: folders, files with their permission bits, and links
// as links (a library's name links in a bundle stay links). No link is ever followed, so a
// link in the source can never pull in what lies outside it.
#pragma once

#include <string>

namespace packtool {

struct TreeCopy {
    std::size_t files = 0;  // Files and links copied.
    std::string error;      // Empty when the whole tree was copied; else one line naming the path.
};

// Copies the folder `source` (the folder itself may be reached through a link) to
// `destination`, which must not exist yet. Devices, FIFOs and sockets are refused. On failure
// what was copied so far stays; the caller removes the destination.
TreeCopy CopyTree(const std::string& source, const std::string& destination);

}  // namespace packtool
