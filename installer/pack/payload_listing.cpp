#include "installer/pack/payload_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "installer/pack/pack_words.h"

namespace installer {
namespace {

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

struct CloseFolder {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Lists the folder open as `folder` (taking it over), `prefix` its path from the payload,
// into `listing`; each entry is looked at relative to its open folder, so no path is walked
// again from the top. An error is left in `error`, a refused entry in the listing.
void ListFolder(int folder, const std::string& prefix, const std::string& payloadPath, PayloadListing& listing,
                std::error_code& error) {
    const std::unique_ptr<DIR, CloseFolder> dir(fdopendir(folder));
    if (!dir) {
        error = std::error_code(errno, std::generic_category());
        close(folder);
        return;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
        errno = 0;
    }
    if (errno != 0) {
        error = std::error_code(errno, std::generic_category());
        return;
    }
    for (const std::string& name : names) {
        // One stat gives the kind, the mode and the size: a pack of many files pays it per file.
        struct stat facts {};
        if (fstatat(dirfd(dir.get()), name.c_str(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
            error = std::error_code(errno, std::generic_category());
            return;
        }
        const std::string relative = prefix.empty() ? name : prefix + "/" + name;
        const bool isFolder = S_ISDIR(facts.st_mode);
        if (!isFolder && !S_ISREG(facts.st_mode)) {
            listing.error = PackText("pack.error.payload_kind",
                                     {{"path", payloadPath},
                                      {"entry", PrintableName(relative)},
                                      {"kind", PackText(RefusedKind(facts.st_mode))}});
            return;
        }
        listing.files.push_back({relative, isFolder ? 0 : static_cast<std::uint64_t>(facts.st_size),
                                 facts.st_mode & (S_IFMT | 07777), facts.st_uid, !isFolder && facts.st_nlink > 1});
        listing.totalBytes += listing.files.back().size;
        if (!isFolder) continue;
        const int child = openat(dirfd(dir.get()), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) {
            error = std::error_code(errno, std::generic_category());
            return;
        }
        ListFolder(child, relative, payloadPath, listing, error);
        if (error || !listing.error.empty()) return;
    }
}

}  // namespace

PayloadListing ListPayload(const std::string& payloadPath) {
    PayloadListing listing;
    const int top = open(payloadPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (top < 0 && (errno == ENOTDIR || errno == ELOOP || errno == ENOENT)) {
        listing.error = PackText("pack.error.not_payload", {{"path", payloadPath}});
        return listing;
    }
    std::error_code error;
    if (top < 0) {
        error = std::error_code(errno, std::generic_category());
    } else {
        ListFolder(top, "", payloadPath, listing, error);
    }
    if (!listing.error.empty()) return listing;
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
