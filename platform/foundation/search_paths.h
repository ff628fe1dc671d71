// The Library folders (NSSearchPathForDirectoriesInDomains with the Library folder and
// tilde expansion). On Linux the machine-wide Library folder is <root>/Library and the
// user's is <home>/Library. Only the hosting program and tests set the root and the home,
// before other threads use the platform layer.
#pragma once

#include <string>

#include "platform_export.h"

namespace foundation {

// The folder that stands for "/" of the machine; "/" unless set (an empty text sets "/").
PACKGATE_PLATFORM_API void SetMachineRoot(std::string root);
PACKGATE_PLATFORM_API const std::string& MachineRoot();

// The current user's home folder; $HOME unless set (and "/" when $HOME is unset or empty).
// Setting the empty text returns to $HOME.
PACKGATE_PLATFORM_API void SetHomeFolder(std::string home);
PACKGATE_PLATFORM_API std::string HomeFolder();

// "/Library" for the root "/", else <root>/Library.
PACKGATE_PLATFORM_API std::string MachineLibraryFolder();
// <home>/Library, with the home folder written out.
PACKGATE_PLATFORM_API std::string UserLibraryFolder();

}  // namespace foundation
