// One moment of the install flow, as a value: everything a front end paints and everything it
// may ask of the flow now. The flow makes it (InstallFlow::state) and hands a fresh one to its
// front end after every change, so no front end keeps its own copy of the flow or decides
// again what Continue and Go Back do; it paints the latest state and maps keys and clicks to
// requests.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "appkit/views.h"
#include "installer/install/install_report.h"
#include "installer/model/exit_code.h"
#include "installer/model/flow_step.h"
#include "installer/model/handoff_list.h"
#include "installer/model/pane_view.h"
#include "installer/pack/pack_signature.h"
#include "installer_plugins/installer_pane.h"

namespace installer {

// What the person waits for while the pane's code runs.
enum class FlowWait {
    EnteringPane,  // The pane's entry: it looks for copies (and may post its report).
    LeavingPane,   // The pane's answer to leaving it: it checks the choice and writes the list.
    Installing,    // The install step copies the pack's payload (the state's progress tells how far).
};

// One request to leave the pane.
struct PaneExit {
    InstallerSectionDirection direction = InstallerDirectionForward;
    bool askedPane = false;  // No when Continue was disabled.
    bool allowed = false;
    std::optional<appkit::Sheet> sheet;  // The sheet on the pane's window afterwards.
};

// How the flow ended.
struct FlowOutcome {
    // The pane let the installation go on (and the person did not come back to it).
    bool wentOn = false;
    // When it went on: the handoff list the pane left.
    std::optional<HandoffList> handoff;
    int entries = 0;           // How many times the pane was entered.
    int exitCode = kExitKept;  // Went on, kept, or the install failed (exit_code.h).
    // What the install step did, when it ran.
    std::optional<InstallReport> install;
    // Why the pack's pane stopped, when it did (exit code 1, nothing installed).
    std::optional<std::string> paneStopped;
};

// What Continue does at a step.
enum class ContinueAction {
    None,       // Nothing goes on from here (the install runs by itself; the run is over).
    EnterPane,  // From the introduction.
    LeavePane,  // Asks the pane to let the installation go on.
    Finish,     // From the summary: the run ends.
};

// What Go Back does at a step.
enum class BackAction {
    None,             // Nothing before the introduction; no choosing again once installed.
    ToIntroduction,   // Asks the pane to let the person go back.
    ReenterPane,      // From the summary into the pane, which looks for copies again.
};

struct FlowState {
    FlowStep step = FlowStep::Introduction;
    // The steps the person walks, in order; Install only when the run installs a pack.
    std::vector<FlowStep> steps;
    std::string packTitle;
    // Who signed the pack, as its opening found; nothing for a run without a pack.
    std::optional<PackSignature> signature;
    bool installPlanned = false;

    // The pane as it stands: title, label, rows, the copies it examined, its Continue
    // switch and the sheet on its window.
    PaneView pane;
    // How many times the flow has shown the pane (entered, or changed by a request): a new
    // count is a pane to paint anew, with the sheet it may have put up.
    int paneShown = 0;
    // The last request to leave the pane.
    std::optional<PaneExit> lastExit;
    int entries = 0;  // How many times the pane was entered.

    // What the person waits for, since when; nothing while nothing runs.
    std::optional<FlowWait> wait;
    std::chrono::steady_clock::time_point waitSince{};
    // The install step: how far the copy has come, its yes-or-no question while the answer
    // is awaited, and what it did once it ran.
    std::optional<InstallProgress> progress;
    std::optional<std::string> question;
    std::optional<InstallReport> install;
    // The handoff list read after the last exit the pane allowed forward.
    std::optional<HandoffList> handoff;

    // What Continue and Go Back do at this step, and whether they can be pressed now (no
    // wait, no sheet, the pane's Continue switch on).
    ContinueAction continueAction = ContinueAction::None;
    BackAction backAction = BackAction::None;
    bool canContinue = false;
    bool canGoBack = false;

    // Set once the run is over.
    std::optional<FlowOutcome> outcome;

    bool sheetShown() const { return step == FlowStep::Pane && pane.sheet.has_value(); }
    bool installed() const { return install && install->installed; }
};

// The steps of a run that installs a pack (`installPlanned`) or only runs a pane.
std::vector<FlowStep> StepsOf(bool installPlanned);

// What Continue does at `step`.
ContinueAction ContinueActionAt(FlowStep step);
// What Go Back does at `step`, given what the install did (nothing once the pack is in).
BackAction BackActionAt(FlowStep step, const std::optional<InstallReport>& install);

// Sets the state's steps, actions and whether Continue and Go Back can be pressed, from the
// rest of it. The flow's states come with them set; a state made by hand (a test) calls this.
void DecideControls(FlowState& state);

}  // namespace installer
