#include "installer/install/folder_handle.h"

#include <fcntl.h>

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

}  // namespace installer
