// The program's exit codes, named once for the flow, the front ends and the program's own
// set-up. Unscoped so that a code is the int main returns.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

namespace installer {

enum ExitCode : int {
    kExitWentOn = 0,     // The pane let the installation go on (and the pack went in).
    kExitCannotRun = 1,  // The run could not be set up, or the install failed.
    kExitUsage = 2,      // The command line (or a scripted choice) could not be followed.
    kExitKept = 3,       // The pane kept the person: nothing was handed on.
};

}  // namespace installer
