// The preferences store (CFPreferencesCopyValue for any user on the current host).
// macOS keeps that domain of an application in /Library/Preferences/<application id>.plist;
// here it is <machine Library folder>/Preferences/<application id>.plist.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/plist_value.h"
#include "platform_export.h"

namespace foundation {

// The value stored for `key` in the preferences of `applicationId`, or nothing when the
// identifier is absent or empty, holds a "/" or is "." or "..", the file is missing or
// unreadable, or the key is not there.
PACKGATE_PLATFORM_API std::optional<PlistValue> CopyPreferenceValue(
    std::string_view key, const std::optional<std::string>& applicationId);

}  // namespace foundation
