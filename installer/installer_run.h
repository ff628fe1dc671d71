// One run of packgate-installer once its command line is read: sets up the machine root,
// home folder and install log, loads the bundle, picks the front end (the terminal screen or
// the scripted run) and walks the steps on it.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "installer/model/exit_code.h"
#include "installer/options.h"

namespace installer {

// Opens the pack of the command line (PACK, or the demo pack with --demo) and runs its pane;
// once the pane lets the installation go on, the pack's payload is installed (exit code 1
// when that fails). With --bundle only the bare pane runs.
int RunInstaller(const InstallerOptions& options, std::ostream& out, std::ostream& err);

// A command line that could not be read: the reason and the usage on `err`, and with `json`
// also the one JSON object on `out`. Answers kExitUsage.
int ReportBadUsage(std::string_view program, const std::string& error, bool json,
                   std::ostream& out, std::ostream& err);

}  // namespace installer
