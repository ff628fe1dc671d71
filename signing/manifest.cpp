#include "signing/manifest.h"

#include <foundation/plist_read.h>
#include <foundation/plist_write.h>

#include "signing/pack_walk.h"

namespace signing {
namespace {

using foundation::PlistArray;
using foundation::PlistDict;
using foundation::PlistValue;

constexpr char kIdentifierKey[] = "Identifier";
constexpr char kVersionKey[] = "Version";
constexpr char kEntriesKey[] = "Entries";
constexpr char kPathKey[] = "Path";
constexpr char kKindKey[] = "Kind";
constexpr char kModeKey[] = "Mode";
constexpr char kSizeKey[] = "Size";
constexpr char kDigestKey[] = "SHA256";
constexpr char kTargetKey[] = "Target";

const char* KindName(EntryKind kind) {
    switch (kind) {
        case EntryKind::File: return "file";
        case EntryKind::Folder: return "folder";
        case EntryKind::Link: return "link";
    }
    return "file";
}

template <typename T>
std::optional<T> Fail(std::string* error, std::string reason) {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
}

// A relative path of plain components: no empty, "." or ".." one, no NUL.
bool IsPlainPath(std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = slash + 1;
    }
    return true;
}

bool IsDigestText(std::string_view text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// Whether `dict` holds exactly the keys `keys`.
bool HasExactly(const PlistDict& dict, std::initializer_list<const char*> keys) {
    if (dict.size() != keys.size()) return false;
    for (const char* key : keys) {
        if (dict.find(key) == nullptr) return false;
    }
    return true;
}

std::optional<std::string> StringAt(const PlistDict& dict, const char* key) {
    const PlistValue* value = dict.find(key);
    if (value == nullptr || value->string() == nullptr) return std::nullopt;
    return *value->string();
}

std::optional<std::int64_t> IntegerAt(const PlistDict& dict, const char* key) {
    const PlistValue* value = dict.find(key);
    if (value == nullptr || value->integer() == nullptr) return std::nullopt;
    return *value->integer();
}

std::optional<ManifestEntry> ReadEntry(const PlistValue& value) {
    const PlistDict* dict = value.dict();
    if (dict == nullptr) return std::nullopt;
    ManifestEntry entry;
    const auto path = StringAt(*dict, kPathKey);
    const auto kind = StringAt(*dict, kKindKey);
    if (!path || !kind || !IsPlainPath(*path)) return std::nullopt;
    entry.path = *path;
    if (*kind == "folder") {
        entry.kind = EntryKind::Folder;
        if (!HasExactly(*dict, {kPathKey, kKindKey, kModeKey}) || IntegerAt(*dict, kModeKey) != 0755) {
            return std::nullopt;
        }
        entry.mode = 0755;
    } else if (*kind == "link") {
        entry.kind = EntryKind::Link;
        const auto target = StringAt(*dict, kTargetKey);
        if (!HasExactly(*dict, {kPathKey, kKindKey, kTargetKey}) || !target || target->empty()) {
            return std::nullopt;
        }
        entry.linkTarget = *target;
    } else if (*kind == "file") {
        const auto mode = IntegerAt(*dict, kModeKey);
        const auto size = IntegerAt(*dict, kSizeKey);
        const auto digest = StringAt(*dict, kDigestKey);
        if (!HasExactly(*dict, {kPathKey, kKindKey, kModeKey, kSizeKey, kDigestKey}) || !mode || !size ||
            !digest || (*mode != 0644 && *mode != 0755) || *size < 0 || !IsDigestText(*digest)) {
            return std::nullopt;
        }
        entry.mode = static_cast<std::uint32_t>(*mode);
        entry.size = static_cast<std::uint64_t>(*size);
        entry.sha256 = *digest;
    } else {
        return std::nullopt;
    }
    return entry;
}

bool Differs(const ManifestEntry& listed, const DiskEntry& disk, const std::string& packFolder,
             Difference& what) {
    if (!disk.supported || listed.kind != disk.kind) {
        what = Difference::Kind;
        return true;
    }
    if (listed.mode != disk.mode) {
        what = Difference::Mode;
        return true;
    }
    if (listed.kind == EntryKind::Link && listed.linkTarget != disk.linkTarget) {
        what = Difference::LinkTarget;
        return true;
    }
    if (listed.kind != EntryKind::File) return false;
    if (listed.size != disk.size) {
        what = Difference::Size;
        return true;
    }
    const auto digest = DigestFile(packFolder + "/" + disk.path);
    if (!digest) {
        what = Difference::Unreadable;
        return true;
    }
    if (digest->size != listed.size || digest->sha256 != listed.sha256) {
        what = Difference::Content;
        return true;
    }
    return false;
}

}  // namespace

std::optional<Manifest> BuildManifest(const std::string& packFolder, std::string identifier,
                                      std::string version, std::string* error) {
    const auto disk = WalkPack(packFolder, error);
    if (!disk) return std::nullopt;
    Manifest manifest{std::move(identifier), std::move(version), {}};
    for (const DiskEntry& found : *disk) {
        if (!found.supported) return Fail<Manifest>(error, found.path + ": neither a file, a folder nor a link");
        ManifestEntry entry{found.path, found.kind, found.mode, 0, {}, found.linkTarget};
        if (found.kind == EntryKind::File) {
            const auto digest = DigestFile(packFolder + "/" + found.path);
            if (!digest) return Fail<Manifest>(error, found.path + ": cannot be read");
            entry.size = digest->size;
            entry.sha256 = digest->sha256;
        }
        manifest.entries.push_back(std::move(entry));
    }
    return manifest;
}

std::string ManifestText(const Manifest& manifest) {
    PlistArray entries;
    for (const ManifestEntry& entry : manifest.entries) {
        PlistDict item;
        item.set(kPathKey, entry.path);
        item.set(kKindKey, KindName(entry.kind));
        if (entry.kind == EntryKind::Link) {
            item.set(kTargetKey, entry.linkTarget);
        } else {
            item.set(kModeKey, static_cast<std::int64_t>(entry.mode));
        }
        if (entry.kind == EntryKind::File) {
            item.set(kSizeKey, static_cast<std::int64_t>(entry.size));
            item.set(kDigestKey, entry.sha256);
        }
        entries.push_back(std::move(item));
    }
    PlistDict top;
    top.set(kIdentifierKey, manifest.identifier);
    top.set(kVersionKey, manifest.version);
    top.set(kEntriesKey, std::move(entries));
    return foundation::XmlPropertyListText(top);
}

std::optional<Manifest> ParseManifest(std::span<const std::uint8_t> bytes, std::string* error) {
    if (bytes.size() > kMaxManifestBytes) return Fail<Manifest>(error, "the manifest is too large");
    std::string reason;
    unsigned format = 0;
    const auto value = foundation::ParsePropertyList(bytes, &reason, &format);
    if (!value) return Fail<Manifest>(error, "the manifest is not a property list: " + reason);
    const PlistDict* top = value->dict();
    if (format != static_cast<unsigned>(foundation::PlistFormat::Xml) || top == nullptr ||
        !HasExactly(*top, {kIdentifierKey, kVersionKey, kEntriesKey})) {
        return Fail<Manifest>(error, "the manifest is not an XML dictionary of Identifier, Version and Entries");
    }
    Manifest manifest;
    const auto identifier = StringAt(*top, kIdentifierKey);
    const auto version = StringAt(*top, kVersionKey);
    const PlistArray* entries = top->find(kEntriesKey)->array();
    if (!identifier || !version || identifier->empty() || version->empty() || entries == nullptr) {
        return Fail<Manifest>(error, "the manifest's identifier, version or entries are not what they must be");
    }
    manifest.identifier = *identifier;
    manifest.version = *version;
    for (const PlistValue& item : *entries) {
        auto entry = ReadEntry(item);
        if (!entry) {
            return Fail<Manifest>(error, "entry " + std::to_string(manifest.entries.size() + 1) +
                                             " of the manifest is malformed");
        }
        if (!manifest.entries.empty() && !(manifest.entries.back().path < entry->path)) {
            return Fail<Manifest>(error, "the manifest's entries are not sorted by path, each once: " + entry->path);
        }
        manifest.entries.push_back(std::move(*entry));
    }
    return manifest;
}

std::optional<EntryDifference> CompareManifest(const Manifest& manifest, const std::string& packFolder) {
    std::string error;
    const auto disk = WalkPack(packFolder, &error);
    if (!disk) return EntryDifference{".", Difference::Unreadable};
    auto listed = manifest.entries.begin();
    auto found = disk->begin();
    while (listed != manifest.entries.end() || found != disk->end()) {
        if (found == disk->end() || (listed != manifest.entries.end() && listed->path < found->path)) {
            return EntryDifference{listed->path, Difference::Missing};
        }
        if (listed == manifest.entries.end() || found->path < listed->path) {
            return EntryDifference{found->path, Difference::Unlisted};
        }
        Difference what = Difference::Content;
        if (Differs(*listed, *found, packFolder, what)) return EntryDifference{found->path, what};
        ++listed;
        ++found;
    }
    return std::nullopt;
}

const char* DifferenceText(Difference what) {
    switch (what) {
        case Difference::Missing: return "missing";
        case Difference::Unlisted: return "not in the manifest";
        case Difference::Kind: return "of another kind";
        case Difference::Mode: return "mode changed";
        case Difference::Size: return "size changed";
        case Difference::Content: return "content changed";
        case Difference::LinkTarget: return "link target changed";
        case Difference::Unreadable: return "unreadable";
    }
    return "changed";
}

}  // namespace signing
