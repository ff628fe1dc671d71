// One run of packgate-installer once its command line is read: sets up the machine root,
// home folder and install log, loads the bundle, and walks the steps on the terminal or
// scripted.
#pragma once

#include <ostream>

#include "installer/options.h"

namespace installer {

inline constexpr int kExitWentOn = 0;
inline constexpr int kExitCannotRun = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitKept = 3;

int RunInstaller(const InstallerOptions& options, std::ostream& out, std::ostream& err);

}  // namespace installer
