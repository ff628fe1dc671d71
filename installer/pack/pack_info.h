// What the installer shows of the pack before the pane is entered, read from the bundle's
// SetupSRC.plist without loading the plug-in's code.
#pragma once

#include <optional>
#include <string>

#include "foundation/string_or_number.h"

namespace installer {

struct PackInfo {
    std::optional<std::string> title;            // "TITLE_MAIN_PACK"
    foundation::StringOrNumber requiredVersion;  // "REQUIRED_PRODUCT_VERSION"
};

// Nothing is read (both absent) when the bundle or its SetupSRC.plist is missing.
PackInfo ReadPackInfo(const std::string& bundlePath);

// The pack's title for the introduction: its TITLE_MAIN_PACK, else a plain stand-in.
std::string PackTitleOrDefault(const PackInfo& info);

}  // namespace installer
