#include "signing/pack_walk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace signing {
namespace {

std::uint32_t KeptMode(mode_t mode) {
    if (S_ISDIR(mode)) return 0755;
    if (S_ISLNK(mode)) return 0;
    return (mode & S_IXUSR) != 0 ? 0755 : 0644;
}

bool IsSignatureFile(const std::string& path) {
    return path == kManifestPath || path == kManifestSignaturePath;
}

std::optional<std::string> LinkTarget(const std::string& path, std::uint64_t size) {
    std::string target(std::max<std::uint64_t>(size, 1) + 1, '\0');
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
    target.resize(static_cast<std::size_t>(length));
    return target;
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The names in the folder at `path`, without "." and "..".
std::optional<std::vector<std::string>> Names(const std::string& path) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(path.c_str()));
    if (!dir) return std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* item = readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    if (errno != 0) return std::nullopt;
    return names;
}

}  // namespace

std::optional<std::vector<DiskEntry>> WalkPack(const std::string& packFolder, std::string* error) {
    std::vector<DiskEntry> entries;
    std::vector<std::string> folders{""};
    while (!folders.empty()) {
        const std::string relative = folders.back();
        folders.pop_back();
        const std::string here = relative.empty() ? packFolder : packFolder + "/" + relative;
        const auto names = Names(here);
        if (!names) {
            if (error != nullptr) *error = here + ": " + std::strerror(errno);
            return std::nullopt;
        }
        for (const std::string& name : *names) {
            DiskEntry entry;
            entry.path = relative.empty() ? name : relative + "/" + name;
            if (IsSignatureFile(entry.path)) continue;
            if (entries.size() == kMaxPackEntries) {
                if (error != nullptr) *error = packFolder + ": more than " + std::to_string(kMaxPackEntries) + " entries";
                return std::nullopt;
            }
            struct stat facts {};
            const std::string full = packFolder + "/" + entry.path;
            if (lstat(full.c_str(), &facts) != 0) {
                if (error != nullptr) *error = full + ": " + std::strerror(errno);
                return std::nullopt;
            }
            entry.mode = KeptMode(facts.st_mode);
            if (S_ISDIR(facts.st_mode)) {
                entry.kind = EntryKind::Folder;
                folders.push_back(entry.path);
            } else if (S_ISLNK(facts.st_mode)) {
                entry.kind = EntryKind::Link;
                const auto target = LinkTarget(full, static_cast<std::uint64_t>(facts.st_size));
                if (!target) {
                    if (error != nullptr) *error = full + ": cannot read the link";
                    return std::nullopt;
                }
                entry.linkTarget = *target;
            } else if (S_ISREG(facts.st_mode)) {
                entry.size = static_cast<std::uint64_t>(facts.st_size);
            } else {
                entry.supported = false;
            }
            entries.push_back(std::move(entry));
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const DiskEntry& a, const DiskEntry& b) { return a.path < b.path; });
    return entries;
}

std::optional<ContentDigest> DigestFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat facts {};
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    bool good = fstat(fd, &facts) == 0 && S_ISREG(facts.st_mode) && context &&
                EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    ContentDigest digest;
    unsigned char buffer[64 * 1024];
    while (good) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            good = count == 0;
            break;
        }
        digest.size += static_cast<std::uint64_t>(count);
        good = EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(count)) == 1;
    }
    close(fd);
    unsigned char sum[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!good || EVP_DigestFinal_ex(context.get(), sum, &length) != 1) return std::nullopt;
    static constexpr char kDigits[] = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
        digest.sha256 += kDigits[sum[i] >> 4];
        digest.sha256 += kDigits[sum[i] & 0x0f];
    }
    return digest;
}

}  // namespace signing
