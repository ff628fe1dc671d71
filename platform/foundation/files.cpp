#include "foundation/files.h"

#include <cerrno>
#include <cstring>

#include "system/file_read.h"
#include "system/posix_calls.h"

namespace foundation {

bool FileExistsAtPath(const std::optional<std::string>& path) {
    if (!path || path->empty()) return false;
    struct stat info {};
    return platform::Posix().stat(path->c_str(), &info) == 0;
}

std::optional<std::vector<std::uint8_t>> ContentsAtPath(const std::optional<std::string>& path,
                                                        std::size_t maxBytes) {
    if (!path) return std::nullopt;
    return platform::ReadRegularFile(path->c_str(), maxBytes);
}

std::optional<std::vector<std::string>> ContentsOfDirectoryAtPath(const std::string& path) {
    DIR* dir = platform::Posix().opendir(path.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<std::string> names;
    bool failed = false;
    for (;;) {
        errno = 0;  // readdir tells the end from an error only through errno.
        const struct dirent* entry = platform::Posix().readdir(dir);
        if (entry == nullptr) {
            failed = errno != 0;
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        names.emplace_back(entry->d_name);
    }
    platform::Posix().closedir(dir);
    if (failed) return std::nullopt;
    return names;
}

}  // namespace foundation
