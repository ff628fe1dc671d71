// Facts about the machine that the platform gives: its platform UUID and its system
// version. The hosting program and tests may fix either.
#pragma once

#include <optional>
#include <string>

#include "platform_export.h"

namespace platform {

// The platform UUID as the system keeps it: /sys/class/dmi/id/product_uuid when readable,
// else /etc/machine-id, else /var/lib/dbus/machine-id, either written as 8-4-4-4-12
// upper-case hex digits, else the empty text. A machine-id that is not 32 hex digits (an
// empty one, as a fresh image has) counts as missing.
PACKGATE_PLATFORM_API std::string PlatformUUID();
// Fixes what PlatformUUID answers; std::nullopt (nothing) restores the system's value.
PACKGATE_PLATFORM_API void SetPlatformUUIDOverride(std::optional<std::string> uuid);

struct SystemVersion {
    int major = 0;
    int minor = 0;
    int bugFix = 0;
};
// The running kernel's release numbers (uname); a number that cannot be read is 0.
PACKGATE_PLATFORM_API SystemVersion QuerySystemVersion();

}  // namespace platform
