#include "installer/model/handoff_list.h"

#include <sys/stat.h>

#include "foundation/plist_read.h"
#include "foundation/search_paths.h"
#include "installer/model/model_room.h"  // Last: see there.

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
    return HandoffListPathIn(foundation::UserLibraryFolder());
}

HandoffList ReadHandoffList(const std::string& path, const FileStamp& before) {
    HandoffList list;
    list.path = path;
    const FileStamp after = StampOfFile(path);
    list.writtenByThisExit = after.exists && after != before;
    const auto dict = foundation::DictionaryWithContentsOfFile(path);
    if (!dict) return list;
    HandoffValues values;
    for (const HandoffField& field : kHandoffFields) {
        values.*field.value = foundation::StringForKey(&*dict, field.key);
    }
    list.values = values;
    return list;
}

}  // namespace installer
