// The handoff list as the installer reads it back after the pane has let the user go on (its
// place and keys: installer_plugins/handoff_contract.h).
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <optional>
#include <string>

#include "installer_plugins/handoff_contract.h"

namespace installer {

// Identifies one version of a file, to tell whether it was written since.
struct FileStamp {
    bool exists = false;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedSeconds = 0;
    long long modifiedNanoseconds = 0;
    long long changedSeconds = 0;
    long long changedNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOfFile(const std::string& path);

struct HandoffList {
    std::string path;
    // The six values (each absent when the list lacks it); nothing when the list could not
    // be read as a property list with a dictionary at its top.
    std::optional<HandoffValues> values;
    // Whether the file changed during the pane's exit, i.e. the pane wrote it then and what
    // is shown is not an earlier run's list.
    bool writtenByThisExit = false;
};

// <user Library>/Preferences/TempContentInstallPath.plist.
std::string HandoffListPath();

// Reads the list at `path`; `before` is its stamp from just before the pane's exit.
HandoffList ReadHandoffList(const std::string& path, const FileStamp& before);

}  // namespace installer
