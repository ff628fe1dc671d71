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

void RecordingFrontEnd::stepShown(installer::FlowStep step) {
    calls.push_back("step " + StepName(step));
}

void RecordingFrontEnd::paneShown(const installer::PaneView& pane) {
    const auto selected = pane.selectedIndex();
    calls.push_back("pane " + std::to_string(pane.rows.size()) + " rows, selected " +
                    (selected ? std::to_string(*selected) : "none") + ", next " +
                    (pane.nextEnabled ? "on" : "off") + (pane.sheet ? ", sheet" : ""));
    lastPane = pane;
}

void RecordingFrontEnd::sheetShown(const appkit::Sheet& sheet) {
    calls.push_back("sheet " + sheet.message);
}

void RecordingFrontEnd::waitStarted(installer::FlowWait wait) {
    ++waits;
    if (watched != nullptr) stepsDuringWaits.push_back(watched->step());
    calls.push_back("wait " + WaitName(wait));
}

void RecordingFrontEnd::waitEnded(installer::FlowWait wait) {
    calls.push_back("end " + WaitName(wait));
}

void RecordingFrontEnd::finished(const installer::FlowOutcome& result) {
    calls.push_back("finished " + std::to_string(result.exitCode));
    outcome = result;
}

}  // namespace installer_test
