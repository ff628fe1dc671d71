#include "installer/install/folder_handle.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

FolderHandle::~FolderHandle() {
    if (fd_ >= 0) platform::CloseOnce(fd_);
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) platform::CloseOnce(fd_);
        fd_ = other.release();
    }
    return *this;
}

int FolderHandle::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

std::vector<std::string> PathNames(std::string_view relative) {
    std::vector<std::string> names;
    if (relative.empty() || relative.front() == '/') return names;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t end = std::min(relative.find('/', start), relative.size());
        const std::string_view name = relative.substr(start, end - start);
        if (name.empty() || name == "." || name == "..") return {};
        names.emplace_back(name);
        start = end + 1;
    }
    return names;
}

FolderHandle OpenFolderNoFollow(const std::string& path) {
    if (path.empty() || path.front() != '/') {
        errno = EINVAL;
        return FolderHandle();
    }
    FolderHandle root(platform::OpenRetrying("/", kFolderFlags));
    if (!root.valid()) return root;
    std::string_view rest(path);
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.empty()) return root;
    const std::vector<std::string> names = PathNames(rest);
    if (names.empty()) {
        errno = EINVAL;
        return FolderHandle();
    }
    return OpenBelow(root.fd(), names, false);
}

FolderHandle OpenBelow(int base, const std::vector<std::string>& names, bool create,
                       unsigned mode, std::size_t* created) {
    if (created != nullptr) *created = 0;
    FolderHandle current(platform::OpenAtRetrying(base, ".", kFolderFlags));
    for (const std::string& name : names) {
        if (!current.valid()) break;
        int fd = platform::OpenAtRetrying(current.fd(), name.c_str(), kFolderFlags);
        if (fd < 0 && errno == ENOENT && create) {
            if (platform::Posix().mkdirat(current.fd(), name.c_str(), mode) != 0) {
                return FolderHandle();
            }
            if (created != nullptr) ++*created;
            fd = platform::OpenAtRetrying(current.fd(), name.c_str(), kFolderFlags);
        }
        current = FolderHandle(fd);
    }
    return current;
}

int FlushFolder(int fd) {
    return platform::FsyncRetrying(fd);
}

int FlushFileSystem(int fd) {
    int result = 0;
    do {
        result = ::syncfs(fd);
    } while (result != 0 && errno == EINTR);
    return result;
}

std::optional<std::size_t> EntriesIn(int folder) {
    // A descriptor of its own, so reading the folder leaves the caller's where it was.
    const int fd = platform::OpenAtRetrying(folder, ".", kFolderFlags);
    if (fd < 0) return std::nullopt;
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        platform::CloseOnce(fd);
        return std::nullopt;
    }
    std::size_t entries = 0;
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") ++entries;
    }
    const int error = errno;
    ::closedir(listing);
    if (error != 0) {
        errno = error;
        return std::nullopt;
    }
    return entries;
}

bool RemoveTreeAt(int folder, const std::string& name) {
    const auto& posix = platform::Posix();
    struct stat info {};
    if (posix.fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    if (!S_ISDIR(info.st_mode)) return posix.unlinkat(folder, name.c_str(), 0) == 0 || errno == ENOENT;
    const int fd = platform::OpenAtRetrying(folder, name.c_str(), kFolderFlags);
    if (fd < 0) return false;
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        platform::CloseOnce(fd);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string child = entry->d_name;
        if (child != "." && child != "..") names.push_back(child);
    }
    bool good = true;
    for (const std::string& child : names) good = RemoveTreeAt(::dirfd(listing), child) && good;
    const int error = errno;
    ::closedir(listing);
    if (!good) {
        errno = error;
        return false;
    }
    return posix.unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
}

}  // namespace installer
