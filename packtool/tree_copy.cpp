#include "packtool/tree_copy.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace packtool {
namespace {

namespace fs = std::filesystem;

std::string Failed(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

// Closes a descriptor when the copy of one file is done.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

std::string CopyFile(const std::string& from, const std::string& to, mode_t mode) {
    Descriptor in{open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (in.fd < 0) return Failed("cannot read", from, errno);
    Descriptor out{open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.fd < 0) return Failed("cannot write", to, errno);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(in.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Failed("cannot read", from, errno);
        if (got == 0) break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(out.fd, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return Failed("cannot write", to, put < 0 ? errno : ENOSPC);
            done += put;
        }
    }
    // The bits are set once the file is whole, so a half-copied file is never executable.
    if (fchmod(out.fd, mode & 0777) != 0) return Failed("cannot set the mode of", to, errno);
    if (close(out.fd) != 0) {
        out.fd = -1;
        return Failed("cannot write", to, errno);
    }
    out.fd = -1;
    return {};
}

std::string CopyLink(const std::string& from, const std::string& to) {
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t length = readlink(from.c_str(), target.data(), target.size());
    if (length < 0) return Failed("cannot read the link", from, errno);
    if (static_cast<std::size_t>(length) >= target.size()) return Failed("cannot read the link", from, ENAMETOOLONG);
    const std::string text(target.data(), static_cast<std::size_t>(length));
    if (symlink(text.c_str(), to.c_str()) != 0) return Failed("cannot make the link", to, errno);
    return {};
}

std::string CopyFolder(const std::string& from, const std::string& to, mode_t mode, TreeCopy& copy);

std::string CopyEntry(const std::string& from, const std::string& to, TreeCopy& copy) {
    struct stat facts {};
    if (lstat(from.c_str(), &facts) != 0) return Failed("cannot read", from, errno);
    if (S_ISDIR(facts.st_mode)) return CopyFolder(from, to, facts.st_mode, copy);
    ++copy.files;
    if (S_ISLNK(facts.st_mode)) return CopyLink(from, to);
    if (S_ISREG(facts.st_mode)) return CopyFile(from, to, facts.st_mode);
    return from + " is neither a file, a folder nor a link";
}

std::string CopyFolder(const std::string& from, const std::string& to, mode_t mode, TreeCopy& copy) {
    if (mkdir(to.c_str(), 0700) != 0) return Failed("cannot make the folder", to, errno);
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    if (error) return "cannot list " + from + ": " + error.message();
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (std::string failed = CopyEntry(from + "/" + name, to + "/" + name, copy); !failed.empty()) {
            return failed;
        }
    }
    // Made private while it fills, given its own bits once whole.
    if (chmod(to.c_str(), (mode & 0777) | 0700) != 0) return Failed("cannot set the mode of", to, errno);
    return {};
}

}  // namespace

TreeCopy CopyTree(const std::string& source, const std::string& destination) {
    TreeCopy copy;
    struct stat facts {};
    if (stat(source.c_str(), &facts) != 0) {
        copy.error = Failed("cannot read", source, errno);
    } else if (!S_ISDIR(facts.st_mode)) {
        copy.error = source + " is not a folder";
    } else {
        copy.error = CopyFolder(source, destination, facts.st_mode, copy);
    }
    return copy;
}

}  // namespace packtool
