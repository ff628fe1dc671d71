// The one way the install flow reaches whatever shows it to a person or a script: the flow
// hands it the flow's state after every change, never how to show it, and asks it its one
// question. The terminal screen, the line mode, the scripted report and a window are all
// front ends of the same flow, each painting the states, and the flow never draws.
//
// The program picks one front end for the run and hands it the flow (run); the front end
// maps keys and clicks to requests of the flow (next, back, selectRow, dismissSheet, quit),
// and the flow calls back from inside those requests, on the thread that made them. A front
// end must not make a new request of the flow from inside one of these calls.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <string>

#include "installer/model/flow_state.h"

namespace installer {

class InstallFlow;

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // From the program: walks `flow`, which stands at the introduction, until the run ends,
    // and answers the program's exit code.
    virtual int run(InstallFlow& flow) = 0;

    // The flow as it stands after each change (flow_state.h): the state to paint.
    virtual void shown(const FlowState& state) = 0;
    // A yes-or-no question of the install step (an older version over a newer one). A front
    // end that cannot ask answers no.
    virtual bool confirm(const std::string& question) {
        (void)question;
        return false;
    }
};

}  // namespace installer
