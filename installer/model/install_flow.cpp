#include "installer/model/install_flow.h"

namespace installer {

InstallFlow::InstallFlow(InstallerPane& pane, std::string packTitle, FrontEnd& frontEnd)
    : pane_(pane), packTitle_(std::move(packTitle)), frontEnd_(frontEnd) {}

// The front end hears of the wait before anything of the flow changes, so what it shows
// during the wait is the step the person asked to leave.
void InstallFlow::enterPane(InstallerSectionDirection direction) {
    frontEnd_.waitStarted(FlowWait::EnteringPane);
    pane_.didEnterPane(direction);
    frontEnd_.waitEnded(FlowWait::EnteringPane);
    step_ = FlowStep::Pane;
    wentOn_ = false;
    ++entries_;
    frontEnd_.stepShown(step_);
    showPane();
}

bool InstallFlow::askPaneToLeave(InstallerSectionDirection direction, PaneExit& exit) {
    exit.askedPane = true;
    frontEnd_.waitStarted(FlowWait::LeavingPane);
    exit.allowed = pane_.shouldExitPane(direction);
    frontEnd_.waitEnded(FlowWait::LeavingPane);
    if (const appkit::Window* window = WindowWithSheet(pane_)) exit.sheet = window->sheet();
    lastExit_ = exit;
    showPane(&exit);
    return exit.allowed;
}

void InstallFlow::showPane(const PaneExit* exit) {
    frontEnd_.paneShown(paneView());
    if (exit != nullptr && exit->sheet) frontEnd_.sheetShown(*exit->sheet);
}

void InstallFlow::finish() {
    step_ = FlowStep::Finished;
    FlowOutcome outcome;
    outcome.wentOn = wentOn_;
    if (wentOn_) outcome.handoff = handoff_;
    outcome.entries = entries_;
    outcome.exitCode = exitCode();
    frontEnd_.finished(outcome);
}

bool InstallFlow::sheetShown() const {
    return WindowWithSheet(pane_) != nullptr;
}

FlowAnswer InstallFlow::leavePaneForward() {
    PaneExit exit;
    exit.direction = InstallerDirectionForward;
    if (!pane_.nextEnabled()) {
        lastExit_ = exit;
        return FlowAnswer::ContinueDisabled;
    }
    const std::string handoffPath = HandoffListPath();
    const FileStamp before = StampOfFile(handoffPath);
    if (!askPaneToLeave(InstallerDirectionForward, exit)) return FlowAnswer::PaneRefused;
    handoff_ = ReadHandoffList(handoffPath, before);
    step_ = FlowStep::Summary;
    wentOn_ = true;
    frontEnd_.stepShown(step_);
    return FlowAnswer::Done;
}

FlowAnswer InstallFlow::leavePaneBackward() {
    PaneExit exit;
    exit.direction = InstallerDirectionBackward;
    if (!askPaneToLeave(InstallerDirectionBackward, exit)) return FlowAnswer::PaneRefused;
    step_ = FlowStep::Introduction;
    frontEnd_.stepShown(step_);
    return FlowAnswer::Done;
}

FlowAnswer InstallFlow::next() {
    switch (step_) {
        case FlowStep::Introduction:
            enterPane(InstallerDirectionForward);
            return FlowAnswer::Done;
        case FlowStep::Pane:
            if (sheetShown()) return FlowAnswer::SheetOpen;
            return leavePaneForward();
        case FlowStep::Summary:
            finish();
            return FlowAnswer::Done;
        case FlowStep::Install:  // Nothing is asked of a person while the payload is copied.
        case FlowStep::Finished:
            break;
    }
    return FlowAnswer::Ignored;
}

FlowAnswer InstallFlow::back() {
    switch (step_) {
        case FlowStep::Pane:
            if (sheetShown()) return FlowAnswer::SheetOpen;
            return leavePaneBackward();
        case FlowStep::Summary:
            enterPane(InstallerDirectionBackward);
            return FlowAnswer::Done;
        case FlowStep::Introduction:
        case FlowStep::Install:
        case FlowStep::Finished:
            break;
    }
    return FlowAnswer::Ignored;
}

FlowAnswer InstallFlow::selectRow(std::size_t index) {
    if (step_ != FlowStep::Pane) return FlowAnswer::Ignored;
    if (sheetShown()) return FlowAnswer::SheetOpen;
    const auto& matrix = pane_.contentView().matrix;
    if (!matrix || !matrix->selectCellAtRow(index)) return FlowAnswer::Ignored;
    showPane();
    return FlowAnswer::Done;
}

FlowAnswer InstallFlow::dismissSheet() {
    appkit::Window* window = WindowWithSheet(pane_);
    if (step_ != FlowStep::Pane || window == nullptr) return FlowAnswer::Ignored;
    window->endSheet();
    showPane();
    return FlowAnswer::Done;
}

void InstallFlow::quit() {
    if (step_ != FlowStep::Finished) finish();
}

}  // namespace installer
