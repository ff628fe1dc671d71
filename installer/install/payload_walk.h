// The files of a pack's payload folder, listed before anything is copied. Only plain files
// and folders may be in a payload: a link, device, FIFO or socket refuses the whole payload.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace installer {

struct PayloadEntry {
    std::string path;  // Relative to the payload, "/"-separated; folders before what they hold.
    bool folder = false;
    std::uint64_t size = 0;
    unsigned mode = 0;  // Permission bits.
};

struct PayloadListing {
    std::vector<PayloadEntry> entries;
    std::uint64_t bytes = 0;  // Sum of the files' sizes.
    std::size_t files = 0;
    std::string error;        // One line naming the path, when the payload cannot be used.
};

// Lists the payload folder at `payloadPath`, in name order within each folder.
PayloadListing ListPayloadFiles(const std::string& payloadPath);

}  // namespace installer
