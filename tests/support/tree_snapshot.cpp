#include "tree_snapshot.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace packgate_test {

namespace fs = std::filesystem;

TreeSnapshot SnapshotTree(const std::string& folder) {
    TreeSnapshot tree;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string path = it->path().string();
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) continue;
        TreeEntry entry;
        entry.mode = info.st_mode & 07777u;
        entry.owner = info.st_uid;
        if (S_ISDIR(info.st_mode)) {
            entry.kind = 'd';
        } else if (S_ISLNK(info.st_mode)) {
            entry.kind = 'l';
            entry.bytes = fs::read_symlink(it->path(), error).string();
        } else if (S_ISREG(info.st_mode)) {
            entry.kind = 'f';
            std::ifstream in(path, std::ios::binary);
            entry.bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        tree[fs::relative(it->path(), folder).string()] = entry;
    }
    return tree;
}

std::string FirstDifference(const TreeSnapshot& before, const TreeSnapshot& after) {
    for (const auto& [path, entry] : before) {
        const auto found = after.find(path);
        if (found == after.end()) return "gone: " + path;
        if (!(found->second == entry)) return "changed: " + path;
    }
    for (const auto& [path, entry] : after) {
        if (before.count(path) == 0) return "new: " + path;
    }
    return "";
}

}  // namespace packgate_test
