// What the pane tests share: a pane whose fields the tests may read and set, and a whole
// scenario that drives the pane on a fake machine the way the Installer does.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fake_machine.h"
#include "foundation/plist_value.h"
#include "log_capture.h"
#include "pane/packgate_pane.h"
#include "pane_bundle.h"
#include "recording_setupnet.h"

namespace packgate_test {

// The pane with its protected fields opened to the tests.
class InspectablePane : public PackgatePane {
  public:
    using PackgatePane::cKZFeedbackLog;
    using PackgatePane::gstrSOURCEPackName;
    using PackgatePane::gstrSOURCEVersion;
    using PackgatePane::gsUserLog;
    using PackgatePane::nPack_For_KZ_Store;
    using PackgatePane::PackgatePane;
    using PackgatePane::strEM2;
    using PackgatePane::strRevCode;
    using PackgatePane::strStoreAPTitle;
    using PackgatePane::strTemplate;
};

struct Row {
    std::string title;
    long tag = 0;
    bool operator==(const Row&) const = default;
};

// One scenario: a fake machine, the bundle, the feedback post recorded instead of sent, the
// log captured, and the pane made from the bundle as the Installer makes it.
class PaneScenario {
  public:
    PaneScenario();

    FakeMachine machine;
    PaneBundle bundle;
    RecordingSetupNet network;
    LogCapture log;

    // Makes the pane on first use, so a test can set the machine up first.
    InspectablePane& pane();
    // didEnterPane / shouldExitPane, answering the pane's log lines of that call.
    std::vector<std::string> enter();
    std::vector<std::string> exitForward();
    std::vector<std::string> exitBackward();
    bool lastExitAnswer() const { return lastExitAnswer_; }

    std::vector<Row> rows();
    bool selectRow(std::size_t row);
    // The strings key whose text the label shows ("" when none matches).
    std::string labelKey();
    // The sheet on the pane's window, if any.
    std::optional<appkit::Sheet> sheet();
    // The feedback records posted so far, in order.
    std::vector<std::string> postedRecords() const;
    // The handoff list as read back, or nothing.
    std::optional<foundation::PlistDict> handoffList() const;

  private:
    std::unique_ptr<InspectablePane> pane_;
    bool lastExitAnswer_ = false;
};

// The record's "Name" member ("Resource-Step1"), or "".
std::string RecordActivity(std::string_view record);

}  // namespace packgate_test
