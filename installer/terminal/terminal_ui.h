// The interactive installer on a terminal (ncurses): draws the frames of screen_layout.h and
// feeds the keys to the UI controller until the flow is finished.
#pragma once

#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"

namespace installer {

// Whether standard input and output are both terminals.
bool OnTerminal();

// Runs `flow` (standing at the introduction) on the terminal; answers nothing of its own:
// the outcome is the flow's. Answers false when the terminal could not be set up.
bool RunTerminalUi(InstallFlow& flow, const InstallLog& log);

}  // namespace installer
