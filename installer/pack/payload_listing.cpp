#include "installer/pack/payload_listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "installer/pack/pack_words.h"

namespace installer {
namespace {

namespace fs = std::filesystem;

// The words key of what `type` is, when the payload may not hold it.
const char* RefusedKind(fs::file_type type) {
    switch (type) {
        case fs::file_type::symlink: return "pack.kind.link";
        case fs::file_type::block:
        case fs::file_type::character: return "pack.kind.device";
        case fs::file_type::fifo: return "pack.kind.fifo";
        case fs::file_type::socket: return "pack.kind.socket";
        default: return "pack.kind.other";
    }
}

mode_t ModeOf(const fs::path& path, bool folder) {
    struct stat facts {};
    if (lstat(path.c_str(), &facts) != 0) return folder ? (S_IFDIR | 0755) : 0644;
    return facts.st_mode & (S_IFMT | 07777);
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
        const fs::file_type type = walk->symlink_status(error).type();
        if (error) break;
        const std::string relative = walk->path().lexically_relative(payloadPath).string();
        const bool folder = type == fs::file_type::directory;
        if (!folder && type != fs::file_type::regular) {
            listing.error = PackText("pack.error.payload_kind",
                                     {{"path", payloadPath},
                                      {"entry", PrintableName(relative)},
                                      {"kind", PackText(RefusedKind(type))}});
            return listing;
        }
        PayloadFile file{relative, 0, ModeOf(walk->path(), folder)};
        if (!folder) file.size = walk->file_size(error);
        if (error) break;
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
