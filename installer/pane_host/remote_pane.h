// The pane as the installer drives it when the pack's code runs in the helper process: every
// callback is a request over the socket, answered within a time limit, after which the
// helper's view (label, rows, selection, Continue, sheet, candidates) is mirrored into this
// object's own view models, so the flow reads it as it reads a pane in the same process.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/model/stoppable_pane.h"
#include "installer/pane_host/pane_process.h"
#include "installer/pane_host/pane_protocol.h"
#include "installer_plugins/installer_pane.h"
#include "installer_plugins/pane_candidates.h"

namespace installer::pane_host {

// The limits on one callback: its time, and what the helper may send during it.
struct CallLimits {
    std::chrono::milliseconds time{60000};
    // Starting the helper and loading the bundle, which a shortened callback limit leaves be.
    std::chrono::milliseconds load{60000};
    std::size_t messages = 20000;
    std::size_t bytes = std::size_t{16} << 20;
};

// The limits of a run: 60 s per callback unless PACKGATE_PANE_TIMEOUT_MS (for tests) says
// otherwise.
CallLimits RunCallLimits();

class RemotePane;

struct RemoteLaunch {
    std::unique_ptr<RemotePane> pane;  // Null when the helper did not load the pane.
    std::string error;                 // One line: why.
};

class RemotePane final : public InstallerPane, public PaneCandidates, public StoppablePane {
  public:
    // Starts the helper and waits for it to load the bundle.
    static RemoteLaunch Launch(const HelperLaunch& launch, CallLimits limits);
    ~RemotePane() override;

    std::string title() const override;
    void didEnterPane(InstallerSectionDirection direction) override;
    bool shouldExitPane(InstallerSectionDirection direction) override;
    const std::vector<PaneCandidate>& candidates() const override { return candidates_; }
    std::optional<std::string> stopReason() const override { return stopReason_; }

  private:
    RemotePane(foundation::Bundle bundle, std::unique_ptr<PaneProcess> process, CallLimits limits);
    // One callback; answers nothing once the helper stopped (stopReason_ says why).
    std::optional<PaneAnswer> call(Callback callback, InstallerSectionDirection direction) const;
    // The next message but a log line, within `limit`.
    std::optional<Message> awaitMessage(std::chrono::milliseconds limit, std::size_t& messages,
                                        std::size_t& bytes) const;
    void stop(std::string reason) const;
    void mirror(const PaneState& state) const;

    mutable std::unique_ptr<PaneProcess> process_;
    CallLimits limits_;
    mutable FrameReader reader_;
    mutable std::string title_;
    mutable bool titleKnown_ = false;
    mutable std::vector<PaneCandidate> candidates_;
    mutable std::optional<std::string> stopReason_;
};

}  // namespace installer::pane_host
