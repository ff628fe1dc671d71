// What a receipt says against what is on disk: verifying an installed pack and removing it.
// Files are reached from "/" without following links (folder_handle.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "installer/install/receipt.h"

namespace installer {

struct ReceiptCheck {
    std::vector<std::string> missing;  // Relative paths the receipt lists that are gone.
    std::vector<std::string> changed;  // Present, but of another size or digest.
    bool intact() const { return missing.empty() && changed.empty(); }
};

ReceiptCheck VerifyReceipt(const Receipt& receipt);

// The check of the receipt file at `path`, made as the receipt is read (receipt_stream.h),
// so that verifying an install of any size holds one file entry at a time.
struct ReceiptFileCheck {
    Receipt receipt;  // Without its files.
    std::size_t files = 0;
    ReceiptCheck check;
};
// Nothing when `path` holds no receipt.
std::optional<ReceiptFileCheck> VerifyReceiptAt(const std::string& path);

struct Uninstalled {
    std::vector<std::string> removed;  // Files removed.
    std::vector<std::string> kept;     // Changed since the install, so left in place.
    std::vector<std::string> failed;   // Could not be removed: "path: reason".
    bool receiptRemoved = false;
};

// Removes exactly the files `receipt` lists that are unchanged, then the folders the pack
// created once they are empty, then the receipt at `receiptPath` (kept when a file could not
// be removed for another reason than being changed).
Uninstalled UninstallReceipt(const Receipt& receipt, const std::string& receiptPath);

}  // namespace installer
