#include "installer/model/handoff_list.h"

#include <sys/stat.h>

#include "foundation/paths.h"
#include "foundation/plist_read.h"
#include "foundation/search_paths.h"

namespace installer {

FileStamp StampOfFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    FileStamp stamp;
    stamp.exists = true;
    stamp.inode = static_cast<unsigned long long>(info.st_ino);
    stamp.size = static_cast<long long>(info.st_size);
    stamp.modifiedSeconds = static_cast<long long>(info.st_mtim.tv_sec);
    stamp.modifiedNanoseconds = static_cast<long long>(info.st_mtim.tv_nsec);
    stamp.changedSeconds = static_cast<long long>(info.st_ctim.tv_sec);
    stamp.changedNanoseconds = static_cast<long long>(info.st_ctim.tv_nsec);
    return stamp;
}

std::string HandoffListPath() {
    const std::string preferences =
        foundation::StringByAppendingPathComponent(foundation::UserLibraryFolder(), "Preferences");
    return foundation::StringByAppendingPathComponent(preferences, "TempContentInstallPath") +
           ".plist";
}

HandoffList ReadHandoffList(const std::string& path, const FileStamp& before) {
    HandoffList list;
    list.path = path;
    const FileStamp after = StampOfFile(path);
    list.writtenByThisExit = after.exists && after != before;
    const auto dict = foundation::DictionaryWithContentsOfFile(path);
    if (!dict) return list;
    std::array<std::optional<std::string>, 6> values;
    for (std::size_t i = 0; i < kHandoffKeys.size(); ++i) {
        values[i] = foundation::StringForKey(&*dict, kHandoffKeys[i]);
    }
    list.values = values;
    return list;
}

}  // namespace installer
