// A content pack as the installer runs it: a folder NAME.pack, or the same folder packed as
// one archive (tar, tar.gz, tar.xz, zip), opened into a private folder first.
//
//   NAME.pack/Contents/Info.plist               the pack's identifier, version and title
//   NAME.pack/Contents/Plugins/Packgate.bundle  the pane
//   NAME.pack/Contents/Payload/                 what goes into the template folder
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "installer/pack/pack_signature.h"

namespace installer {

// The pack's identity, from its Contents/Info.plist.
struct PackIdentity {
    std::string identifier;
    std::string version;
    std::string title;
};

struct Pack {
    PackIdentity identity;
    std::string folder;       // The NAME.pack folder (for an archive, where it was opened).
    std::string bundlePath;   // Contents/Plugins/Packgate.bundle
    std::string payloadPath;  // Contents/Payload
    // Keeps an archive's private folder alive; it is removed when the last copy goes.
    std::shared_ptr<void> openedArchive;
    PackSignature signature;  // Who signed the pack; filled when it was checked.
};

struct PackOpening {
    std::optional<Pack> pack;  // Nothing when the pack cannot be used.
    std::string error;         // Why, in one line, naming the path.
    // Set when the system failed (no temporary folder, no space), not the pack itself.
    bool cannotRun = false;
};

// Opens the pack folder or archive at `path`.
PackOpening OpenPack(const std::string& path);

}  // namespace installer
