// The Library folders (NSSearchPathForDirectoriesInDomains with the Library folder and
// tilde expansion). On Linux the machine-wide Library folder is <root>/Library and the
// user's is <home>/Library. Only the hosting program and tests set the root and the home,
// before other threads use the platform layer.
#pragma once

#include <string>

namespace foundation {

// The folder that stands for "/" of the machine; "/" unless set (an empty text sets "/").
void SetMachineRoot(std::string root);
const std::string& MachineRoot();

// The current user's home folder; $HOME unless set (and "/" when $HOME is unset or empty).
// Setting the empty text returns to $HOME.
void SetHomeFolder(std::string home);
std::string HomeFolder();

// "/Library" for the root "/", else <root>/Library.
std::string MachineLibraryFolder();
// <home>/Library, with the home folder written out.
std::string UserLibraryFolder();

}  // namespace foundation
