// The record of a scripted run, from which its report is written: each request the script
// made with the flow's state right after it, and what only the script knows (its progress
// lines, a request it could not carry out, its exit code).
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <optional>
#include <string>
#include <vector>

#include "installer/model/exit_code.h"
#include "installer/model/flow_state.h"
#include "installer/model/install_flow.h"

namespace installer {

struct ScriptStep {
    enum class Kind { Entered, WentBack, Chose, Continued, DismissedSheet };
    Kind kind = Kind::Entered;
    FlowAnswer answer = FlowAnswer::Done;
    std::optional<PaneRow> row;  // Chose: the row.
    // The flow right after the request: its pane, and for WentBack and Continued the request
    // to leave it (lastExit).
    FlowState after;
};

struct ScriptRun {
    std::vector<ScriptStep> steps;
    // The flow as it stood when the last request to leave the pane was made (or after
    // entering, when none was made): the pane the report's title, label and rows describe.
    FlowState beforeExit;
    // The flow once the run is over; its outcome says what the run did.
    FlowState end;
    // The install step's progress lines (one per tenth of the bytes).
    std::vector<std::string> progressLines;
    // Set when the request named a row the pane does not have, or the pane stopped.
    std::optional<std::string> error;
    int exitCode = kExitKept;

    // The end's outcome (an empty one before the run is over).
    FlowOutcome outcome() const { return end.outcome.value_or(FlowOutcome{}); }
};

}  // namespace installer
