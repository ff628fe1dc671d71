#include "installer/model/flow_state.h"

#include "installer/model/model_room.h"  // Last: see there.

namespace installer {

std::vector<FlowStep> StepsOf(bool installPlanned) {
    if (installPlanned) {
        return {FlowStep::Introduction, FlowStep::Pane, FlowStep::Install, FlowStep::Summary};
    }
    return {FlowStep::Introduction, FlowStep::Pane, FlowStep::Summary};
}

ContinueAction ContinueActionAt(FlowStep step) {
    switch (step) {
        case FlowStep::Introduction:
            return ContinueAction::EnterPane;
        case FlowStep::Pane:
            return ContinueAction::LeavePane;
        case FlowStep::Summary:
            return ContinueAction::Finish;
        case FlowStep::Install:  // Nothing is asked of a person while the payload is copied.
        case FlowStep::Finished:
            break;
    }
    return ContinueAction::None;
}

BackAction BackActionAt(FlowStep step, const std::optional<InstallReport>& install) {
    switch (step) {
        case FlowStep::Pane:
            return BackAction::ToIntroduction;
        case FlowStep::Summary:
            // The pack is in: there is no choosing another copy for it now.
            if (install && install->installed) return BackAction::None;
            return BackAction::ReenterPane;
        case FlowStep::Introduction:
        case FlowStep::Install:
        case FlowStep::Finished:
            break;
    }
    return BackAction::None;
}

void DecideControls(FlowState& state) {
    state.steps = StepsOf(state.installPlanned);
    state.continueAction = ContinueActionAt(state.step);
    state.backAction = BackActionAt(state.step, state.install);
    // While the pane's code runs, or its sheet is up, only the sheet's button works.
    const bool free = !state.wait && !state.sheetShown() && !state.question;
    const bool paneAgrees = state.step != FlowStep::Pane || state.pane.nextEnabled;
    state.canContinue = free && state.continueAction != ContinueAction::None && paneAgrees;
    state.canGoBack = free && state.backAction != BackAction::None;
}

}  // namespace installer
