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

#include <string>

#include "appkit/views.h"
#include "installer/install/install_report.h"
#include "installer/model/flow_state.h"
#include "installer/model/flow_step.h"
#include "installer/model/pane_view.h"

namespace installer {

class InstallFlow;

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // From the program: walks `flow`, which stands at the introduction, until the run ends,
    // and answers the program's exit code.
    virtual int run(InstallFlow& flow) = 0;

    // The flow as it stands after each change, on the thread that made the request: the
    // state a front end paints. The calls below tell of the same changes one by one.
    virtual void shown(const FlowState& state) { (void)state; }
    // The flow stands at `step` now (Introduction, Pane or Summary; the end is `finished`).
    virtual void stepShown(FlowStep /*step*/) {}
    // The pane as it stands after it was entered or changed: a row chosen, an answer to
    // leaving it, its sheet dismissed.
    virtual void paneShown(const PaneView& /*pane*/) {}
    // The pane put a sheet on its window; nothing but its button works until it is dismissed.
    virtual void sheetShown(const appkit::Sheet& /*sheet*/) {}
    // The pane's code is about to run, and has returned.
    virtual void waitStarted(FlowWait /*wait*/) {}
    virtual void waitEnded(FlowWait /*wait*/) {}
    // During the Installing wait: how far the copy has come.
    virtual void installProgress(const InstallProgress& /*progress*/) {}
    // A yes-or-no question of the install step (an older version over a newer one). A front
    // end that cannot ask answers no.
    virtual bool confirm(const std::string& question) {
        (void)question;
        return false;
    }
    // The flow is finished (the summary's Continue, or a quit); called once.
    virtual void finished(const FlowOutcome& /*outcome*/) {}
};

}  // namespace installer
