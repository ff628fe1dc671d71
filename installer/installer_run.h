// One run of packgate-installer once its command line is read: sets up the machine root,
// home folder and install log, loads the bundle, picks the front end (the terminal screen or
// the scripted run) and walks the steps on it.
#pragma once

#include <optional>
#include <ostream>

#include "installer/options.h"
#include "installer/pack/pack.h"

namespace installer {

inline constexpr int kExitWentOn = 0;
inline constexpr int kExitCannotRun = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitKept = 3;

int RunInstaller(const InstallerOptions& options, std::ostream& out, std::ostream& err);
// The same with a pack opened: its pane runs, and once the pane lets the installation go on
// its payload is installed (exit code 1 when that fails).
int RunInstaller(const InstallerOptions& options, const std::optional<Pack>& pack,
                 std::ostream& out, std::ostream& err);

}  // namespace installer
