// The record of one pack installed into one copy of Quillet: what went where, with each
// file's size and SHA-256 digest, so the pack can be verified and removed later. Receipts are
// XML property lists at
//   <home>/Library/Receipts/Packgate/<pack identifier>/<copy key>.plist
// where the copy key is taken from the destination folder's path, so each copy that holds the
// pack has its own receipt.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace installer {

struct ReceiptFile {
    std::string path;  // Relative to the destination.
    unsigned long long size = 0;
    std::string sha256;
};

struct Receipt {
    std::string identifier;
    std::string version;
    std::string packTitle;
    std::string hostTitle;  // The chosen copy's row title.
    std::string hostKind;   // Its PRODUCT_TYPE ("Store" for an App Store copy).
    std::string hostPath;   // Its ContInstallPath.
    std::string destination;
    std::vector<ReceiptFile> files;
    // Folders the pack created (relative, parents first): removed on uninstall once empty.
    std::vector<std::string> createdFolders;
    double installedAt = 0;  // Seconds since 2001-01-01 UTC.
    // The id of the key that signed the pack (16 hex digits); empty when it was unsigned or
    // the receipt is older than signed packs.
    std::string signerKeyId{};
};

// Whether `identifier` can name a receipt folder: letters, digits, ".", "-", "_", not
// starting with ".".
bool IsReceiptIdentifier(const std::string& identifier);

std::string ReceiptsFolder(const std::string& home);
std::string ReceiptPathFor(const std::string& home, const std::string& identifier,
                           const std::string& destination);
// Every receipt of `identifier` (all of them when `identifier` is empty), sorted.
std::vector<std::string> ReceiptPaths(const std::string& home, const std::string& identifier);

std::optional<Receipt> ReadReceipt(const std::string& path);
// Writes atomically (temporary file, flush, rename), creating the folders above. The reason
// of a failure, or the empty text.
std::string WriteReceipt(const Receipt& receipt, const std::string& path);
// Makes the folders above the file `path` that are missing: the reason of a failure, or the
// empty text.
std::string MakeFoldersAbove(const std::string& path);
// The XML text WriteReceipt puts on disk, or nothing when a field cannot be written as XML.
std::optional<std::string> ReceiptText(const Receipt& receipt);

// Orders dotted versions by their numbers ("1.10" after "1.9"); a part that is no number
// compares as text. Negative, 0 or positive.
int CompareVersions(const std::string& a, const std::string& b);

// Now, in seconds since 2001-01-01 UTC.
double SecondsSince2001Now();

}  // namespace installer
