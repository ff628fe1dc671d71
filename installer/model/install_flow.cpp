#include "installer/model/install_flow.h"

namespace installer {

InstallFlow::InstallFlow(InstallerPane& pane, std::string packTitle)
    : pane_(pane), packTitle_(std::move(packTitle)) {}

void InstallFlow::enterPane(InstallerSectionDirection direction) {
    step_ = FlowStep::Pane;
    wentOn_ = false;
    ++entries_;
    pane_.didEnterPane(direction);
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
    exit.askedPane = true;
    exit.allowed = pane_.shouldExitPane(InstallerDirectionForward);
    if (const appkit::Window* window = WindowWithSheet(pane_)) exit.sheet = window->sheet();
    lastExit_ = exit;
    if (!exit.allowed) return FlowAnswer::PaneRefused;
    handoff_ = ReadHandoffList(handoffPath, before);
    step_ = FlowStep::Summary;
    wentOn_ = true;
    return FlowAnswer::Done;
}

FlowAnswer InstallFlow::leavePaneBackward() {
    PaneExit exit;
    exit.direction = InstallerDirectionBackward;
    exit.askedPane = true;
    exit.allowed = pane_.shouldExitPane(InstallerDirectionBackward);
    if (const appkit::Window* window = WindowWithSheet(pane_)) exit.sheet = window->sheet();
    lastExit_ = exit;
    if (!exit.allowed) return FlowAnswer::PaneRefused;
    step_ = FlowStep::Introduction;
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
            step_ = FlowStep::Finished;
            return FlowAnswer::Done;
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
    return FlowAnswer::Done;
}

FlowAnswer InstallFlow::dismissSheet() {
    appkit::Window* window = WindowWithSheet(pane_);
    if (step_ != FlowStep::Pane || window == nullptr) return FlowAnswer::Ignored;
    window->endSheet();
    return FlowAnswer::Done;
}

void InstallFlow::quit() {
    step_ = FlowStep::Finished;
}

}  // namespace installer
