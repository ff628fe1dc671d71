// What the pane will read from a pack, checked for a pack maker: the bundle's Info.plist,
// SetupSRC.plist, the view description and every language's Localizable.strings. Each
// problem is one line, "FILE:LINE: what" or "FILE: what", FILE relative to the checked folder.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>
#include <vector>

namespace installer {

// Where the plug-in bundle of a pack folder (NAME.pack) lies.
inline constexpr const char* kPackBundlePath = "Contents/Plugins/Packgate.bundle";

struct PackCheck {
    std::string bundlePath;             // the bundle checked; empty when none was found
    std::vector<std::string> problems;  // in the order the files are checked
};

// Checks a pack folder (its Contents/Plugins/Packgate.bundle) or a bundle folder itself.
PackCheck CheckPack(const std::string& path);

// Checks the bundle at `bundlePath`; the problems name files relative to `shownFrom`.
std::vector<std::string> CheckBundle(const std::string& bundlePath, const std::string& shownFrom);

}  // namespace installer
