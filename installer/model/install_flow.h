// The steps the installer walks and what each request of a front end does to them; the
// front ends (the terminal screen, the scripted run) decide nothing themselves.
//
//   Introduction --Continue--> Pane --Continue (pane agrees)--> [Install] --> Summary --Continue--> done
//        ^                      |  ^                                          |
//        +-------Go Back--------+  +-----------Go Back (not once installed)---+
//
// Install runs only when the run has a pack with a payload (planInstall) and the pane wrote
// the handoff list on this exit: it reads the list from its file, as a separate post-install
// step would, and copies the payload into its ContTemplatePath. Once the pack is in, Go Back
// from the summary no longer returns to the pane; a failed install makes the exit code 1.
//
// Entering the pane calls didEnterPane with the direction of arrival (forward from the
// introduction, backward from the summary), so every arrival runs the pane's discovery
// again. Leaving it asks shouldExitPane; Continue is offered only while the pane has it
// enabled, and nothing but the sheet's button works while the pane's sheet is up. After each
// change the front end (front_end.h) is handed the flow's state (flow_state.h).
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "installer/model/flow_state.h"
#include "installer/model/flow_step.h"
#include "installer/model/front_end.h"
#include "installer/model/handoff_list.h"
#include "installer/model/pane_view.h"
#include "installer/pack/pack.h"
#include "installer/pack/pack_signature.h"
#include "installer_plugins/installer_pane.h"

namespace installer {

// The outcome of a request.
enum class FlowAnswer {
    Done,              // The step changed (or the row was chosen, the sheet dismissed).
    Ignored,           // Nothing to do at this step.
    ContinueDisabled,  // The pane has Continue disabled; the pane was not asked.
    SheetOpen,         // The pane's sheet must be dismissed first.
    PaneRefused,       // The pane answered no to leaving.
    PaneStopped,       // The pane's process stopped (paneStopped says why); the run is over.
};

// The pack whose payload the Install step copies.
struct InstallPlan {
    PackIdentity pack;
    std::string payloadPath;
    bool allowDowngrade = false;  // --allow-downgrade: an older version goes in unasked.
    std::string signerKeyId{};    // The key that signed the pack; empty when unsigned.
    // The signed digests every copied payload file must match; unset for an unsigned pack.
    std::optional<PayloadDigests> expectedSha256{};
    bool payloadIsOwn = false;  // An archive unpacked for this run (InstallRequest).
};

class InstallFlow {
  public:
    // `frontEnd` hears of every change; it must outlive the flow.
    InstallFlow(InstallerPane& pane, std::string packTitle, FrontEnd& frontEnd);

    // The flow as it stands now, with what Continue and Go Back may do (flow_state.h). The
    // front end is handed one after every change; this is the same for a front end that
    // starts painting before any request.
    FlowState state() const;

    // Reads the pane as it stands before it is entered, for a front end that names the
    // pane's step by its title from the introduction on; the states show it from then.
    void readPaneAhead();

    FlowStep step() const { return step_; }
    const std::string& packTitle() const { return packTitle_; }
    PaneView paneView() const { return ReadPaneView(pane_); }
    // How many times the pane has been entered.
    int entries() const { return entries_; }
    // The last request to leave the pane, and the handoff list read after the last one the
    // pane allowed forward.
    const std::optional<PaneExit>& lastExit() const { return lastExit_; }
    const std::optional<HandoffList>& handoff() const { return handoff_; }

    // Continue: enters the pane from the introduction, asks the pane to go on, or finishes
    // from the summary.
    FlowAnswer next();
    // Go Back: asks the pane to let the user go back to the introduction, or returns from
    // the summary into the pane.
    FlowAnswer back();
    // Selects the pane's row number `index` (0 is the top row).
    FlowAnswer selectRow(std::size_t index);
    // Presses the button of the pane's sheet.
    FlowAnswer dismissSheet();
    // Ends the run where it stands (nothing more happens once it is finished).
    void quit();

    // Makes the flow install `plan`'s payload after the pane lets the installation go on.
    void planInstall(InstallPlan plan) { plan_ = std::move(plan); }
    // Whether the run installs a pack once the pane lets it go on (else it runs a bare pane).
    bool installPlanned() const { return plan_.has_value(); }
    // Who signed the run's pack, as its opening found; nothing for a run without a pack.
    void setSignature(std::optional<PackSignature> signature) { signature_ = std::move(signature); }
    const std::optional<PackSignature>& signature() const { return signature_; }

    // What the install step did, once it ran.
    const std::optional<InstallReport>& install() const { return install_; }

    // Whether the pane let the installation go on (and the user did not come back to it).
    bool wentOn() const { return wentOn_; }
    // Why the pane stopped answering, once it has (it crashed, hung or spoke nonsense).
    const std::optional<std::string>& paneStopped() const { return paneStopped_; }

    // 0 when the pane let the installation go on (and the pack, if any, was installed), 3
    // when it kept the user, 1 when the install failed or the pane stopped.
    int exitCode() const;

  private:
    bool enterPane(InstallerSectionDirection direction);
    bool endIfPaneStopped();
    bool askPaneToLeave(InstallerSectionDirection direction, PaneExit& exit);
    void showPane();
    void finish();
    bool sheetShown() const;
    FlowAnswer leavePaneForward();
    FlowAnswer leavePaneBackward();
    void runInstall();
    bool confirm(const std::string& question);
    void startWait(FlowWait wait);
    void endWait();
    // Hands the front end the state as it stands.
    void publish();

    InstallerPane& pane_;
    std::string packTitle_;
    FrontEnd& frontEnd_;
    FlowStep step_ = FlowStep::Introduction;
    int entries_ = 0;
    bool wentOn_ = false;
    std::optional<PaneExit> lastExit_;
    std::optional<HandoffList> handoff_;
    std::optional<InstallPlan> plan_;
    std::optional<InstallReport> install_;
    std::optional<PackSignature> signature_;
    std::optional<std::string> paneStopped_;
    // The pane as it stood after it was last entered or changed: what the state shows. A
    // pane that stopped in a callback is not read again for it.
    PaneView shownPane_;
    int paneShown_ = 0;
    std::optional<FlowWait> wait_;
    std::chrono::steady_clock::time_point waitSince_{};
    std::optional<InstallProgress> progress_;
    std::optional<std::string> question_;
    std::optional<FlowOutcome> outcome_;
};

}  // namespace installer
