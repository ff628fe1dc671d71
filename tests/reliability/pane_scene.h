// One fault case's world: a fake machine with one maker-distributed and one App Store copy
// of Quillet, the plug-in bundle, the feedback post recorded instead of sent, the log kept,
// and the pane as the Installer drives it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake_machine.h"
#include "log_capture.h"
#include "pane/packgate_pane.h"
#include "pane_bundle.h"
#include "pane_checks.h"
#include "recording_setupnet.h"

namespace packgate_reliability {

using packgate_test::LogCapture;
using packgate_test::RowProblems;
using packgate_test::SheetMessage;

class PaneScene {
  public:
    // With `hosts` false the machine holds no host records at all.
    explicit PaneScene(bool hosts = true);

    packgate_test::FakeMachine machine;
    packgate_test::PaneBundle bundle;
    packgate_test::RecordingSetupNet network;
    LogCapture log;
    packgate_test::MakerHostFiles maker;
    packgate_test::StoreHostFiles store;

    // Makes the pane on first use, so a case can break the machine first.
    PackgatePane& pane();
    void enter();
    // shouldExitPane going forward, from a clean window (no sheet left from before).
    bool exitForward();

    // The localized text of `key` and whether the label shows it.
    std::string text(const std::string& key);
    bool labelShows(const std::string& key);
    std::vector<std::string> titles();

  private:
    std::unique_ptr<PackgatePane> pane_;
};

// The whole file at `path`, or nothing when it cannot be read as a file.
std::optional<std::string> FileBytes(const std::string& path);
// Names in `folder` that start with `prefix`.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix);

}  // namespace packgate_reliability
