// The pieces of system_info.cpp that tests call with their own inputs.
#pragma once

#include <string>
#include <string_view>

#include "platform_export.h"
#include "system/system_info.h"

namespace platform::detail {

// PlatformUUID() read from the given files instead of the system's.
PACKGATE_PLATFORM_API std::string PlatformUUIDFromFiles(const char* dmiUuidPath,
                                                        const char* machineIdPath,
                                                        const char* dbusMachineIdPath);

// The leading "major.minor.bugfix" numbers of a kernel release text ("6.1.0-18-amd64").
PACKGATE_PLATFORM_API SystemVersion ParseKernelRelease(std::string_view release);

}  // namespace platform::detail
