// Bundles: a folder laid out like a macOS bundle (Contents/Info.plist, Contents/MacOS/,
// Contents/Resources/), its resources and its strings tables.
#pragma once

#include <optional>
#include <string>

#include "foundation/plist_value.h"
#include "platform_export.h"

namespace foundation {

class PACKGATE_PLATFORM_API Bundle {
  public:
    // The bundle folder at `path`; nothing when it is not a folder.
    static std::optional<Bundle> AtPath(const std::string& path);
    // The bundle whose Contents/MacOS/ folder holds the loaded module that contains
    // `address` (dladdr on a symbol of the caller's code); nothing when the module does not
    // sit in such a folder.
    static std::optional<Bundle> ContainingAddress(const void* address);

    const std::string& bundlePath() const { return path_; }
    // Contents/Info.plist as a dictionary, or nothing.
    std::optional<PlistDict> infoDictionary() const;

    // `pathForResource:ofType:`: Contents/Resources/<name>.<type> when something exists
    // there (an empty type means no extension), else nothing.
    std::optional<std::string> pathForResource(const std::string& name,
                                               const std::string& type) const;

    // `localizedStringForKey:value:table:`: the text for `key` in the table
    // (Localizable.strings when `table` is absent) of the user's language, chosen from
    // LC_ALL, LC_MESSAGES, LANG (e.g. zh_TW.UTF-8 tries zh_TW.lproj then zh.lproj), falling
    // back to the bundle's development region (CFBundleDevelopmentRegion, "en" when unset).
    // A key missing from the table gives `value`, or the key itself when `value` is empty.
    std::string localizedStringForKey(const std::string& key, const std::string& value,
                                      const std::optional<std::string>& table = std::nullopt) const;

    // The .lproj language folder (without ".lproj") chosen for the user, or nothing.
    std::optional<std::string> preferredLocalization() const;

private:
    explicit Bundle(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

}  // namespace foundation
