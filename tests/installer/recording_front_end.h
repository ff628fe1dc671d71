// A front end that only writes down what the install flow tells it, for the tests of the
// flow and of the keys.
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

    void shown(const installer::FlowState& state) override { states.push_back(state); }
    void stepShown(installer::FlowStep step) override;
    void paneShown(const installer::PaneView& pane) override;
    void sheetShown(const appkit::Sheet& sheet) override;
    void waitStarted(installer::FlowWait wait) override;
    void waitEnded(installer::FlowWait wait) override;
    void installProgress(const installer::InstallProgress&) override {}
    void finished(const installer::FlowOutcome& outcome) override;

    // Every call in order: "step Pane", "pane 2 rows, selected 0, next on", "sheet Gone.",
    // "wait entering", "end entering", "finished 0" ...
    std::vector<std::string> calls;
    int waits = 0;  // waitStarted calls.
    // Every state the flow handed over, in order.
    std::vector<installer::FlowState> states;
    std::optional<installer::PaneView> lastPane;
    std::optional<installer::FlowOutcome> outcome;
    // When set: the step the flow stood at whenever a wait started.
    const installer::InstallFlow* watched = nullptr;
    std::vector<installer::FlowStep> stepsDuringWaits;
};

}  // namespace installer_test
