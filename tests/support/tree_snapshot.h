// Every entry below a folder, read with std::filesystem (never through the platform's seam,
// so injected faults do not reach it): its kind, permission bits, owner and bytes (or a
// link's target). Two snapshots compare equal when the tree is byte for byte the same.
#pragma once

#include <map>
#include <string>

namespace packgate_test {

struct TreeEntry {
    char kind = '?';  // 'f' file, 'd' folder, 'l' link, '?' other
    unsigned mode = 0;
    unsigned owner = 0;
    std::string bytes;
    bool operator==(const TreeEntry&) const = default;
};

using TreeSnapshot = std::map<std::string, TreeEntry>;  // Relative path to entry.

TreeSnapshot SnapshotTree(const std::string& folder);
// The first difference between two snapshots, "" when none.
std::string FirstDifference(const TreeSnapshot& before, const TreeSnapshot& after);

}  // namespace packgate_test
