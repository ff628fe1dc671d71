#include "installer/model/install_flow.h"

#include "foundation/search_paths.h"
#include "foundation/system_log.h"
#include "installer/install/payload_install.h"
#include "installer/model/exit_code.h"
#include "installer/model/stoppable_pane.h"
#include "installer/words/words.h"
#include "installer/model/model_room.h"  // Last: see there.

namespace installer {

InstallFlow::InstallFlow(InstallerPane& pane, std::string packTitle, FrontEnd& frontEnd)
    : pane_(pane), packTitle_(std::move(packTitle)), frontEnd_(frontEnd) {}

bool InstallFlow::enterPane(InstallerSectionDirection direction) {
    startWait(FlowWait::EnteringPane);
    pane_.didEnterPane(direction);
    endWait();
    if (endIfPaneStopped()) return false;
    step_ = FlowStep::Pane;
    wentOn_ = false;
    install_.reset();
    ++entries_;
    showPane();
    return true;
}

// A pane that stopped answering ends the run: nothing of it is believed any more, so no
// handoff list is read and nothing is installed.
bool InstallFlow::endIfPaneStopped() {
    const auto* stoppable = dynamic_cast<const StoppablePane*>(&pane_);
    if (stoppable == nullptr || !stoppable->stopReason()) return false;
    paneStopped_ = stoppable->stopReason();
    wentOn_ = false;
    handoff_.reset();
    install_.reset();
    finish();
    return true;
}

bool InstallFlow::askPaneToLeave(InstallerSectionDirection direction, PaneExit& exit) {
    exit.askedPane = true;
    startWait(FlowWait::LeavingPane);
    exit.allowed = pane_.shouldExitPane(direction);
    endWait();
    if (endIfPaneStopped()) return false;
    if (const appkit::Window* window = WindowWithSheet(pane_)) exit.sheet = window->sheet();
    lastExit_ = exit;
    showPane();
    return exit.allowed;
}

void InstallFlow::showPane() {
    shownPane_ = paneView();
    ++paneShown_;
    publish();
}

// The front end hears of the wait before anything of the flow changes, so what it shows
// during the wait is the step the person asked to leave.
void InstallFlow::startWait(FlowWait wait) {
    wait_ = wait;
    waitSince_ = std::chrono::steady_clock::now();
    publish();
}

void InstallFlow::endWait() {
    wait_.reset();
    publish();
}

void InstallFlow::readPaneAhead() {
    if (paneShown_ == 0) shownPane_ = paneView();
}

void InstallFlow::publish() {
    frontEnd_.shown(state());
}

FlowState InstallFlow::state() const {
    FlowState state;
    state.step = step_;
    state.packTitle = packTitle_;
    state.signature = signature_;
    state.installPlanned = plan_.has_value();
    state.pane = shownPane_;
    state.paneShown = paneShown_;
    state.lastExit = lastExit_;
    state.entries = entries_;
    state.wait = wait_;
    state.waitSince = waitSince_;
    state.progress = progress_;
    state.question = question_;
    state.install = install_;
    state.handoff = handoff_;
    state.outcome = outcome_;
    DecideControls(state);
    return state;
}

bool InstallFlow::confirm(const std::string& question) {
    question_ = question;
    publish();
    const bool yes = frontEnd_.confirm(question);
    question_.reset();
    publish();
    return yes;
}

void InstallFlow::finish() {
    step_ = FlowStep::Finished;
    FlowOutcome outcome;
    outcome.wentOn = wentOn_;
    if (wentOn_) outcome.handoff = handoff_;
    outcome.entries = entries_;
    outcome.exitCode = exitCode();
    outcome.install = install_;
    outcome.paneStopped = paneStopped_;
    outcome_ = outcome;
    publish();
}

namespace {

// The list's raw values go to the install log, one line each, so the screens can say what
// happened in plain words and still leave the values for whoever checks them.
void LogHandoff(const HandoffList& list) {
    if (!list.values) {
        foundation::NSLog("Handoff list %@: unreadable", list.path);
        return;
    }
    for (const HandoffField& field : kHandoffFields) {
        const auto& value = (*list.values).*field.value;
        foundation::NSLog("Handoff %@: %@", std::string(field.key),
                          value ? *value : std::string("(missing)"));
    }
}

}  // namespace

bool InstallFlow::sheetShown() const {
    return WindowWithSheet(pane_) != nullptr;
}

FlowAnswer InstallFlow::leavePaneForward() {
    PaneExit exit;
    exit.direction = InstallerDirectionForward;
    if (!pane_.nextEnabled()) {
        lastExit_ = exit;
        publish();
        return FlowAnswer::ContinueDisabled;
    }
    const std::string handoffPath = HandoffListPath();
    const FileStamp before = StampOfFile(handoffPath);
    if (!askPaneToLeave(InstallerDirectionForward, exit)) {
        return paneStopped_ ? FlowAnswer::PaneStopped : FlowAnswer::PaneRefused;
    }
    handoff_ = ReadHandoffList(handoffPath, before);
    LogHandoff(*handoff_);
    wentOn_ = true;
    if (plan_ && handoff_->writtenByThisExit) runInstall();
    step_ = FlowStep::Summary;
    publish();
    return FlowAnswer::Done;
}

namespace {

std::string HandoffValue(const HandoffList& list,
                         std::optional<std::string> HandoffValues::*field) {
    if (!list.values) return "";
    return ((*list.values).*field).value_or("");
}

}  // namespace

// The list is read back from its file, never taken from the pane's memory.
void InstallFlow::runInstall() {
    step_ = FlowStep::Install;
    progress_.reset();
    publish();
    InstallRequest request;
    request.pack = plan_->pack;
    request.payloadPath = plan_->payloadPath;
    request.allowDowngrade = plan_->allowDowngrade;
    request.signerKeyId = plan_->signerKeyId;
    request.expectedSha256 = plan_->expectedSha256;
    request.payloadIsOwn = plan_->payloadIsOwn;
    request.hostKind = HandoffValue(*handoff_, &HandoffValues::productType);
    request.destination = HandoffValue(*handoff_, &HandoffValues::templatePath);
    request.hostPath = HandoffValue(*handoff_, &HandoffValues::installPath);
    const PaneView view = paneView();
    if (const auto row = view.selectedIndex()) request.hostTitle = view.rows[*row].title;
    request.home = foundation::HomeFolder();
    request.progress = [this](const InstallProgress& progress) {
        progress_ = progress;
        publish();
    };
    request.confirm = [this](const std::string& question) { return confirm(question); };
    startWait(FlowWait::Installing);
    if (request.destination.empty()) {
        InstallReport report = ReportFor(request);
        report.error = Words::ForUser().text("install.error.no_handoff");
        install_ = report;
    } else {
        install_ = InstallPayloadAsOwner(request);
    }
    endWait();
}

int InstallFlow::exitCode() const {
    if (paneStopped_) return kExitCannotRun;
    if (!wentOn_) return kExitKept;
    return install_ && !install_->installed ? kExitCannotRun : kExitWentOn;
}

FlowAnswer InstallFlow::leavePaneBackward() {
    PaneExit exit;
    exit.direction = InstallerDirectionBackward;
    if (!askPaneToLeave(InstallerDirectionBackward, exit)) {
        return paneStopped_ ? FlowAnswer::PaneStopped : FlowAnswer::PaneRefused;
    }
    step_ = FlowStep::Introduction;
    publish();
    return FlowAnswer::Done;
}

// What Continue and Go Back do is decided once, in flow_state.cpp; the states the front ends
// paint carry the same decisions.
FlowAnswer InstallFlow::next() {
    switch (ContinueActionAt(step_)) {
        case ContinueAction::EnterPane:
            return enterPane(InstallerDirectionForward) ? FlowAnswer::Done : FlowAnswer::PaneStopped;
        case ContinueAction::LeavePane:
            if (sheetShown()) return FlowAnswer::SheetOpen;
            return leavePaneForward();
        case ContinueAction::Finish:
            finish();
            return FlowAnswer::Done;
        case ContinueAction::None:
            break;
    }
    return FlowAnswer::Ignored;
}

FlowAnswer InstallFlow::back() {
    switch (BackActionAt(step_, install_)) {
        case BackAction::ToIntroduction:
            if (sheetShown()) return FlowAnswer::SheetOpen;
            return leavePaneBackward();
        case BackAction::ReenterPane:
            return enterPane(InstallerDirectionBackward) ? FlowAnswer::Done : FlowAnswer::PaneStopped;
        case BackAction::None:
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
