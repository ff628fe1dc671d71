// The one way the install flow reaches whatever shows it to a person or a script. Each call
// says what happened in the flow, never how to show it, so the terminal screen, the scripted
// report and a window are all front ends of the same flow, and the flow never draws.
//
// The program picks one front end for the run and hands it the flow (run); the front end
// passes requests to the flow (next, back, selectRow, dismissSheet, quit), and the flow calls
// back from inside those requests, on the thread that made them. A front end must not make a
// new request of the flow from inside one of these calls.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <optional>
#include <string>

#include "appkit/views.h"
#include "installer/model/exit_code.h"
#include "installer/model/flow_step.h"
#include "installer/model/handoff_list.h"
#include "installer/install/install_report.h"
#include "installer/model/pane_view.h"

namespace installer {

class InstallFlow;

// What the person waits for while the pane's code runs.
enum class FlowWait {
    EnteringPane,  // The pane's entry: it looks for copies (and may post its report).
    LeavingPane,   // The pane's answer to leaving it: it checks the choice and writes the list.
    Installing,    // The install step copies the pack's payload (installProgress tells how far).
};

// How the flow ended.
struct FlowOutcome {
    // The pane let the installation go on (and the person did not come back to it).
    bool wentOn = false;
    // When it went on: the handoff list the pane left.
    std::optional<HandoffList> handoff;
    int entries = 0;   // How many times the pane was entered.
    int exitCode = kExitKept;  // Went on, kept, or the install failed (exit_code.h).
    // What the install step did, when it ran.
    std::optional<InstallReport> install;
    // Why the pack's pane stopped, when it did (exit code 1, nothing installed).
    std::optional<std::string> paneStopped;
};

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // From the program: walks `flow`, which stands at the introduction, until the run ends,
    // and answers the program's exit code.
    virtual int run(InstallFlow& flow) = 0;

    // The flow stands at `step` now (Introduction, Pane or Summary; the end is `finished`).
    virtual void stepShown(FlowStep step) = 0;
    // The pane as it stands after it was entered or changed: a row chosen, an answer to
    // leaving it, its sheet dismissed.
    virtual void paneShown(const PaneView& pane) = 0;
    // The pane put a sheet on its window; nothing but its button works until it is dismissed.
    virtual void sheetShown(const appkit::Sheet& sheet) = 0;
    // The pane's code is about to run, and has returned.
    virtual void waitStarted(FlowWait wait) = 0;
    virtual void waitEnded(FlowWait wait) = 0;
    // During the Installing wait: how far the copy has come.
    virtual void installProgress(const InstallProgress& progress) = 0;
    // A yes-or-no question of the install step (an older version over a newer one). A front
    // end that cannot ask answers no.
    virtual bool confirm(const std::string& question) {
        (void)question;
        return false;
    }
    // The flow is finished (the summary's Continue, or a quit); called once.
    virtual void finished(const FlowOutcome& outcome) = 0;
};

}  // namespace installer
