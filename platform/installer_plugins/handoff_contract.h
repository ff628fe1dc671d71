// The handoff list: the property list the pane leaves for the rest of the installation when it
// lets the user go on, TempContentInstallPath.plist in the user's preferences folder, six
// string entries. The pane writes it, the installer reads it back, and the demo machine lays
// out where it goes; all three take its place and its keys from here.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/paths.h"

// The list's values, one field a key.
struct HandoffValues {
    std::optional<std::string> plistPath;     // "Plist Path": the chosen copy's record
    std::optional<std::string> versionCode;   // "Version Code"
    std::optional<std::string> productType;   // "PRODUCT_TYPE": the copy's kind
    std::optional<std::string> em2;           // "EM2"
    std::optional<std::string> templatePath;  // "ContTemplatePath": where the pack goes
    std::optional<std::string> installPath;   // "ContInstallPath": the copy itself
    bool operator==(const HandoffValues&) const = default;
};

// A key of the list and the field that holds its value.
struct HandoffField {
    std::string_view key;
    std::optional<std::string> HandoffValues::*value;
};

// The six keys, in the order in which the pane sets them.
inline constexpr std::array<HandoffField, 6> kHandoffFields{{
    {"Plist Path", &HandoffValues::plistPath},
    {"Version Code", &HandoffValues::versionCode},
    {"PRODUCT_TYPE", &HandoffValues::productType},
    {"EM2", &HandoffValues::em2},
    {"ContTemplatePath", &HandoffValues::templatePath},
    {"ContInstallPath", &HandoffValues::installPath},
}};

// <userLibrary>/Preferences/TempContentInstallPath.plist, for the Library folder of the user
// who runs the installation.
inline std::string HandoffListPathIn(const std::string& userLibrary) {
    const std::string preferences =
        foundation::StringByAppendingPathComponent(userLibrary, "Preferences");
    return foundation::StringByAppendingPathComponent(preferences, "TempContentInstallPath") +
           ".plist";
}
