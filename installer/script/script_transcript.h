// The record of a scripted run, step by step, from which its report is written.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <optional>
#include <string>
#include <vector>

#include "installer/model/exit_code.h"
#include "installer/model/install_flow.h"

namespace installer {

struct ScriptEvent {
    enum class Kind { Entered, WentBack, Chose, Continued, DismissedSheet };
    Kind kind = Kind::Entered;
    PaneView view;               // The pane after the step.
    std::optional<PaneRow> row;  // Chose: the row.
    FlowAnswer answer = FlowAnswer::Done;
    std::optional<PaneExit> exit;  // WentBack, Continued: the request to leave.
};

struct ScriptTranscript {
    std::vector<ScriptEvent> events;
    // The pane as it stood when the last request to leave it was made (or after entering,
    // when none was made): the state the report's title, label and rows describe.
    PaneView paneBeforeExit;
    std::optional<PaneExit> exit;
    std::optional<HandoffList> handoff;
    // What the install step did, and its progress lines (one per tenth of the bytes).
    std::optional<InstallReport> install;
    std::vector<std::string> progressLines;
    int entries = 0;
    // Set when the request named a row the pane does not have.
    std::optional<std::string> error;
    int exitCode = kExitKept;
};

}  // namespace installer
