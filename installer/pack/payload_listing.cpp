#include "installer/pack/payload_listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <filesystem>

#include "installer/pack/pack_words.h"

namespace installer {
namespace {

namespace fs = std::filesystem;

// The words key of what `mode` is, when the payload may not hold it.
const char* RefusedKind(mode_t mode) {
    switch (mode & S_IFMT) {
        case S_IFLNK: return "pack.kind.link";
        case S_IFBLK:
        case S_IFCHR: return "pack.kind.device";
        case S_IFIFO: return "pack.kind.fifo";
        case S_IFSOCK: return "pack.kind.socket";
        default: return "pack.kind.other";
    }
}

}  // namespace

PayloadListing ListPayload(const std::string& payloadPath) {
    PayloadListing listing;
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(payloadPath, error))) {
        listing.error = PackText("pack.error.not_payload", {{"path", payloadPath}});
        return listing;
    }
    fs::recursive_directory_iterator walk(payloadPath, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        // One lstat gives the kind, the mode and the size: a pack of many files pays it per file.
        struct stat facts {};
        if (lstat(walk->path().c_str(), &facts) != 0) {
            error = std::error_code(errno, std::generic_category());
            break;
        }
        const std::string relative = walk->path().lexically_relative(payloadPath).string();
        const bool folder = S_ISDIR(facts.st_mode);
        if (!folder && !S_ISREG(facts.st_mode)) {
            listing.error = PackText("pack.error.payload_kind",
                                     {{"path", payloadPath},
                                      {"entry", PrintableName(relative)},
                                      {"kind", PackText(RefusedKind(facts.st_mode))}});
            return listing;
        }
        PayloadFile file{relative, folder ? 0 : static_cast<std::uint64_t>(facts.st_size),
                         facts.st_mode & (S_IFMT | 07777), facts.st_uid, !folder && facts.st_nlink > 1};
        listing.totalBytes += file.size;
        listing.files.push_back(std::move(file));
    }
    if (error) {
        listing.error = PackText("pack.error.payload_unreadable",
                                 {{"path", payloadPath}, {"reason", error.message()}});
        listing.files.clear();
        return listing;
    }
    std::sort(listing.files.begin(), listing.files.end(),
              [](const PayloadFile& a, const PayloadFile& b) {
                  return a.relativePath < b.relativePath;
              });
    return listing;
}

}  // namespace installer
