// A front end that only writes down what changes from one state of the install flow to the
// next, for the tests of the flow and of the keys.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"

namespace installer_test {

class RecordingFrontEnd : public installer::FrontEnd {
  public:
    // Walks nothing: the tests make the requests themselves.
    int run(installer::InstallFlow& flow) override { return flow.exitCode(); }

    // Writes down what changed since the last state, in the words below.
    void shown(const installer::FlowState& state) override;

    // Every change in order: "step Pane", "pane 2 rows, selected 0, next on", "sheet Gone.",
    // "wait entering", "end entering", "finished 0" ...
    std::vector<std::string> calls;
    int waits = 0;  // Waits started.
    // Every state the flow handed over, in order.
    std::vector<installer::FlowState> states;
    std::optional<installer::PaneView> lastPane;
    std::optional<installer::FlowOutcome> outcome;
    // When set: the step the flow stood at whenever a wait started.
    const installer::InstallFlow* watched = nullptr;
    std::vector<installer::FlowStep> stepsDuringWaits;
};

}  // namespace installer_test
