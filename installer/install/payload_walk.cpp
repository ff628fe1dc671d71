#include "installer/install/payload_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "installer/words/words.h"
#include "system/posix_calls.h"

namespace installer {
namespace {

bool Fail(PayloadListing& listing, const std::string& path, const std::string& reason) {
    listing.error = Words::ForUser().text("install.error.payload", {{"path", path}, {"reason", reason}});
    return false;
}

// The names in the folder at `path`, sorted; false after recording the failure.
bool FolderNames(const std::string& path, std::vector<std::string>& names, PayloadListing& listing) {
    DIR* dir = platform::Posix().opendir(path.c_str());
    if (dir == nullptr) return Fail(listing, path, std::strerror(errno));
    errno = 0;
    while (const dirent* entry = platform::Posix().readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    const int error = errno;
    platform::Posix().closedir(dir);
    if (error != 0) return Fail(listing, path, std::strerror(error));
    std::sort(names.begin(), names.end());
    return true;
}

bool Walk(const std::string& base, const std::string& relative, PayloadListing& listing) {
    const std::string folder = relative.empty() ? base : base + "/" + relative;
    std::vector<std::string> names;
    if (!FolderNames(folder, names, listing)) return false;
    for (const std::string& name : names) {
        const std::string path = relative.empty() ? name : relative + "/" + name;
        const std::string full = base + "/" + path;
        struct stat info {};
        if (platform::Posix().lstat(full.c_str(), &info) != 0) {
            return Fail(listing, full, std::strerror(errno));
        }
        PayloadEntry entry{path, S_ISDIR(info.st_mode), 0, info.st_mode & 07777u};
        if (S_ISREG(info.st_mode)) {
            entry.size = static_cast<std::uint64_t>(info.st_size);
            listing.bytes += entry.size;
            ++listing.files;
        } else if (!entry.folder) {
            return Fail(listing, full, Words::ForUser().text("install.reason.not_plain"));
        }
        listing.entries.push_back(entry);
        if (entry.folder && !Walk(base, path, listing)) return false;
    }
    return true;
}

}  // namespace

PayloadListing ListPayloadFiles(const std::string& payloadPath) {
    PayloadListing listing;
    struct stat info {};
    if (platform::Posix().lstat(payloadPath.c_str(), &info) != 0) {
        Fail(listing, payloadPath, std::strerror(errno));
        return listing;
    }
    if (!S_ISDIR(info.st_mode)) {
        Fail(listing, payloadPath, std::strerror(ENOTDIR));
        return listing;
    }
    if (!Walk(payloadPath, "", listing)) listing.entries.clear();
    return listing;
}

}  // namespace installer
