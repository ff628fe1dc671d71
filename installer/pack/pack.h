// A content pack as the installer runs it: a folder NAME.pack, or the same folder packed as
// one archive (tar, tar.gz, tar.xz, zip), opened into a private folder first.
//
//   NAME.pack/Contents/Info.plist               the pack's identifier, version and title
//   NAME.pack/Contents/Plugins/Packgate.bundle  the pane
//   NAME.pack/Contents/Payload/                 what goes into the template folder
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "installer/pack/pack_signature.h"

namespace installer {

// SHA-256 (lower-case hex) of each payload file, by its path from the payload folder.
using PayloadDigests = std::map<std::string, std::string>;

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
    PackSignature signature{};  // Who signed the pack, as the gate of OpenPack found.
    // A signed pack's payload files and their SHA-256 from its manifest, by path from
    // Contents/Payload; the install step refuses bytes that differ. Unset when unsigned.
    std::optional<PayloadDigests> payloadDigests{};
};

struct PackOpening {
    std::optional<Pack> pack;  // Nothing when the pack cannot be used.
    std::string error;         // Why, in one line, naming the path.
    // Set when the system failed (no temporary folder, no space), not the pack itself.
    bool cannotRun = false;
};

// What a pack's gate answers: its signature when it may be opened, else why not (one line).
struct PackVetting {
    std::optional<PackSignature> signature;
    std::string refusal;
    std::optional<PayloadDigests> payloadDigests{};
};
// The gate every pack passes once it lies in its folder (an archive unpacked into its private
// one) and before anything of it is read: `folder` is the NAME.pack folder, `shownPath` the
// path the user gave. The program always opens packs through its trust policy's gate; without
// a gate a pack opens unchecked, which only tests of the pack's form do.
using PackGate = std::function<PackVetting(const std::string& folder, const std::string& shownPath)>;

// Opens the pack folder or archive at `path`, passing it through `gate`.
PackOpening OpenPack(const std::string& path, const PackGate& gate = {});

}  // namespace installer
