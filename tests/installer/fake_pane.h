// An in-process InstallerPane whose answers the test sets, recording every callback, for
// the tests of the install flow, the key handling and the screen.
#pragma once

#include <filesystem>
#include <latch>
#include <string>
#include <vector>

#include "installer/model/stoppable_pane.h"
#include "installer_plugins/installer_pane.h"

namespace installer_test {

class FakePane : public InstallerPane {
  public:
    FakePane();

    std::string title() const override { return "Destination"; }
    void didEnterPane(InstallerSectionDirection direction) override;
    bool shouldExitPane(InstallerSectionDirection direction) override;

    // What the next entry lists, and how the pane answers a forward exit.
    std::vector<std::string> rowsToList{"Quillet 5 Studio", "Quillet 5 ( Apple Store )"};
    bool allowForward = true;
    bool sheetOnRefusal = true;
    // Callbacks in order: "enter forward", "exit backward", ...
    std::vector<std::string> calls;
};

// A pane whose entry waits until the test lets it go on.
class HeldPane : public FakePane {
  public:
    void didEnterPane(InstallerSectionDirection direction) override {
        entered.count_down();
        release.wait();
        FakePane::didEnterPane(direction);
    }
    std::latch entered{1};
    std::latch release{1};
};

// A fake pane that stops, as a pane in its own process does when it crashes, once the
// callback `stopIn` ("enter" or "exit") has run: the callback's work is done, its answer
// never arrives.
class StoppingPane : public FakePane, public installer::StoppablePane {
  public:
    explicit StoppingPane(std::string stopIn) : stopIn_(std::move(stopIn)) {}
    void didEnterPane(InstallerSectionDirection direction) override {
        FakePane::didEnterPane(direction);
        if (stopIn_ == "enter") reason_ = "The pack's pane stopped: it crashed.";
    }
    bool shouldExitPane(InstallerSectionDirection direction) override {
        const bool allowed = FakePane::shouldExitPane(direction);
        if (stopIn_ != "exit") return allowed;
        reason_ = "The pack's pane stopped: it crashed.";
        return false;
    }
    std::optional<std::string> stopReason() const override { return reason_; }

  private:
    std::string stopIn_;
    std::optional<std::string> reason_;
};

}  // namespace installer_test
