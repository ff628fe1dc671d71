#include "recording_front_end.h"

namespace installer_test {
namespace {

std::string StepName(installer::FlowStep step) {
    switch (step) {
        case installer::FlowStep::Introduction:
            return "Introduction";
        case installer::FlowStep::Pane:
            return "Pane";
        case installer::FlowStep::Install:
            return "Install";
        case installer::FlowStep::Summary:
            return "Summary";
        case installer::FlowStep::Finished:
            return "Finished";
    }
    return "?";
}

std::string WaitName(installer::FlowWait wait) {
    switch (wait) {
        case installer::FlowWait::EnteringPane:
            return "entering";
        case installer::FlowWait::LeavingPane:
            return "leaving";
        case installer::FlowWait::Installing:
            return "installing";
    }
    return "?";
}

}  // namespace

void RecordingFrontEnd::shown(const installer::FlowState& state) {
    const installer::FlowState before =
        states.empty() ? installer::FlowState{} : states.back();
    states.push_back(state);
    if (state.wait && !before.wait) {
        ++waits;
        if (watched != nullptr) stepsDuringWaits.push_back(watched->step());
        calls.push_back("wait " + WaitName(*state.wait));
    }
    if (before.wait && !state.wait) calls.push_back("end " + WaitName(*before.wait));
    if (state.step != before.step && state.step != installer::FlowStep::Finished) {
        calls.push_back("step " + StepName(state.step));
    }
    if (state.paneShown != before.paneShown) {
        const installer::PaneView& pane = state.pane;
        const auto selected = pane.selectedIndex();
        calls.push_back("pane " + std::to_string(pane.rows.size()) + " rows, selected " +
                        (selected ? std::to_string(*selected) : "none") + ", next " +
                        (pane.nextEnabled ? "on" : "off") + (pane.sheet ? ", sheet" : ""));
        lastPane = pane;
        if (pane.sheet && !before.pane.sheet) calls.push_back("sheet " + pane.sheet->message);
    }
    if (state.outcome && !before.outcome) {
        calls.push_back("finished " + std::to_string(state.outcome->exitCode));
        outcome = state.outcome;
    }
}

}  // namespace installer_test
