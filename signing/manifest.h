// A pack's manifest, Contents/Signature/Manifest.plist: the pack's identifier and version and
// every entry of the NAME.pack folder except the two signature files, walked without ever
// following a link, sorted by path (byte order). Signing the manifest rather than an archive's
// bytes makes the folder and every archive form verify the same way, and lets the verifier
// refuse anything the manifest does not list.
//
// A mode is kept as the one fact that every form of a pack keeps alike: whether a file is
// executable (0755) or not (0644); folders are 0755 and links have none, because archive
// tools and umasks change the other bits on the way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace signing {

inline constexpr char kSignatureFolder[] = "Contents/Signature";
inline constexpr char kManifestPath[] = "Contents/Signature/Manifest.plist";
inline constexpr char kManifestSignaturePath[] = "Contents/Signature/Manifest.plist.minisig";
// A manifest file larger than this is refused unread.
inline constexpr std::size_t kMaxManifestBytes = 16u * 1024 * 1024;

enum class EntryKind { File, Folder, Link };

struct ManifestEntry {
    std::string path;  // From the NAME.pack folder, "/"-separated ("Contents/Info.plist").
    EntryKind kind = EntryKind::File;
    std::uint32_t mode = 0;      // 0644 or 0755 for a file, 0755 for a folder, 0 for a link.
    std::uint64_t size = 0;      // Files only.
    std::string sha256;          // Files only: 64 lower-case hex digits.
    std::string linkTarget;      // Links only, as the link holds it.
    bool operator==(const ManifestEntry&) const = default;
};

struct Manifest {
    std::string identifier;
    std::string version;
    std::vector<ManifestEntry> entries;  // Sorted by path, each path once.
    bool operator==(const Manifest&) const = default;
};

// The manifest of the pack folder at `packFolder` (the NAME.pack folder). Nothing, with a
// reason, when an entry cannot be read or is neither a file, a folder nor a link.
std::optional<Manifest> BuildManifest(const std::string& packFolder, std::string identifier,
                                      std::string version, std::string* error = nullptr);

// The manifest as an XML property list (the platform's plist writer).
std::string ManifestText(const Manifest& manifest);

// The manifest in `bytes`, read strictly: exactly the keys it is written with, the right
// types, valid paths, entries sorted and unique. Nothing, with a reason, otherwise.
std::optional<Manifest> ParseManifest(std::span<const std::uint8_t> bytes,
                                      std::string* error = nullptr);

// What differs between a manifest and the disk.
enum class Difference { Missing, Unlisted, Kind, Mode, Size, Content, LinkTarget, Unreadable };

struct EntryDifference {
    std::string path;  // The first entry, in path order, that differs.
    Difference what = Difference::Content;
};

// Compares the pack folder with `manifest`: every entry on disk must be listed and match, and
// every listed entry must exist. The first difference in path order, or nothing when whole.
std::optional<EntryDifference> CompareManifest(const Manifest& manifest,
                                               const std::string& packFolder);

// "changed", "missing", "not in the manifest", "mode changed", ...: for a person's line.
const char* DifferenceText(Difference what);

}  // namespace signing
