// What a pack's payload holds: its files and folders, walked without following links. A
// payload that holds anything else (a link, a device, a FIFO, a socket) cannot be installed
// as it is, so the listing refuses it, for a folder pack as for an opened archive.
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace installer {

struct PayloadFile {
    std::string relativePath;  // From the payload folder, "/"-separated.
    std::uint64_t size = 0;    // 0 for a folder.
    mode_t mode = 0;           // The permission bits (S_IFDIR set for a folder).
    uid_t owner = 0;
    bool hardLinked = false;   // A file with more than one name.
    bool folder() const { return S_ISDIR(mode); }
};

struct PayloadListing {
    std::vector<PayloadFile> files;  // Folders before what they hold, in name order.
    std::uint64_t totalBytes = 0;    // The files' sizes added up.
    std::string error;               // Empty when the listing is whole; else one line.
};

// Lists the payload folder at `payloadPath`.
PayloadListing ListPayload(const std::string& payloadPath);

}  // namespace installer
