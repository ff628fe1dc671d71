#include "installer/install/receipt_check.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "installer/install/file_digest.h"
#include "installer/install/folder_handle.h"
#include "installer/install/receipt_stream.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {
namespace {

enum class FileState { Missing, Changed, Same };

struct Located {
    FolderHandle parent;
    std::string leaf;
};

Located Locate(const FolderHandle& destination, const std::string& relative) {
    std::vector<std::string> names = PathNames(relative);
    if (names.empty() || !destination.valid()) return {};
    Located located;
    located.leaf = names.back();
    names.pop_back();
    located.parent = OpenBelow(destination.fd(), names, false);
    return located;
}

FileState StateOf(const Located& file, const ReceiptFile& listed) {
    if (!file.parent.valid()) return FileState::Missing;
    const auto digest = DigestOfFileAt(file.parent.fd(), file.leaf);
    if (!digest) return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Changed;
    const bool same = digest->size == listed.size && digest->sha256 == listed.sha256;
    return same ? FileState::Same : FileState::Changed;
}

void CheckFile(const FolderHandle& destination, const ReceiptFile& file, ReceiptCheck& check) {
    switch (StateOf(Locate(destination, file.path), file)) {
        case FileState::Missing: check.missing.push_back(file.path); break;
        case FileState::Changed: check.changed.push_back(file.path); break;
        case FileState::Same: break;
    }
}

}  // namespace

ReceiptCheck VerifyReceipt(const Receipt& receipt) {
    ReceiptCheck check;
    const FolderHandle destination = OpenFolderNoFollow(receipt.destination);
    for (const ReceiptFile& file : receipt.files) CheckFile(destination, file, check);
    return check;
}

// Read twice: the destination must be known before the first file is checked, and the
// receipt need not name it first.
std::optional<ReceiptFileCheck> VerifyReceiptAt(const std::string& path) {
    std::optional<Receipt> head = ReadReceiptStreaming(path, {});
    if (!head) return std::nullopt;
    ReceiptFileCheck result{std::move(*head), 0, {}};
    const FolderHandle destination = OpenFolderNoFollow(result.receipt.destination);
    const auto again = ReadReceiptStreaming(
        path, [&](const ReceiptFile& file) { CheckFile(destination, file, result.check); }, &result.files);
    if (!again || again->destination != result.receipt.destination) return std::nullopt;
    return result;
}

Uninstalled UninstallReceipt(const Receipt& receipt, const std::string& receiptPath) {
    Uninstalled result;
    const FolderHandle destination = OpenFolderNoFollow(receipt.destination);
    const auto& posix = platform::Posix();
    for (const ReceiptFile& file : receipt.files) {
        const Located located = Locate(destination, file.path);
        const FileState state = StateOf(located, file);
        if (state == FileState::Missing) continue;
        if (state == FileState::Changed) {
            result.kept.push_back(file.path);
            continue;
        }
        if (posix.unlinkat(located.parent.fd(), located.leaf.c_str(), 0) != 0) {
            result.failed.push_back(file.path + ": " + std::strerror(errno));
            continue;
        }
        result.removed.push_back(file.path);
    }
    // Deepest first; a folder that still holds something (kept or foreign files) stays.
    for (auto it = receipt.createdFolders.rbegin(); it != receipt.createdFolders.rend(); ++it) {
        const Located located = Locate(destination, *it);
        if (located.parent.valid()) {
            posix.unlinkat(located.parent.fd(), located.leaf.c_str(), AT_REMOVEDIR);
        }
    }
    if (result.failed.empty()) result.receiptRemoved = posix.unlink(receiptPath.c_str()) == 0;
    return result;
}

}  // namespace installer
