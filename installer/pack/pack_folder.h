// Opening a NAME.pack folder: its Info.plist read, its bundle and payload checked.
#pragma once

#include <string>

#include "installer/pack/pack.h"

namespace installer {

// The Info.plist keys of a pack.
inline constexpr char kPackIdentifierKey[] = "CFBundleIdentifier";
inline constexpr char kPackVersionKey[] = "CFBundleShortVersionString";
inline constexpr char kPackTitleKey[] = "CFBundleName";

// Opens the pack folder at `folder` once `gate` lets it; errors name `shownPath` (the archive,
// for an opened one). The payload is listed to refuse what it may not hold, unless
// `payloadVetted`: an archive's entries were checked one by one as it was unpacked.
PackOpening OpenPackFolder(const std::string& folder, const std::string& shownPath,
                           const PackGate& gate = {}, bool payloadVetted = false);

}  // namespace installer
