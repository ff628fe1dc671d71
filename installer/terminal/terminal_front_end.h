// The interactive front end on a terminal (ncurses): draws the frames of screen_layout.h and
// feeds the keys to the UI controller until the flow is finished; once the screen is gone it
// prints the outcome in a line or two.
#pragma once

#include <memory>
#include <optional>
#include <ostream>

#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"

namespace installer {

// Whether standard input and output are both terminals.
bool OnTerminal();

class Screen;
class UiController;

class TerminalFrontEnd final : public FrontEnd {
  public:
    // The front end on this terminal with its screen set up, or null when the terminal cannot
    // show one (TERM unset, empty or "dumb", or the terminal library refused it). `log` and
    // `out` must outlive it.
    static std::unique_ptr<TerminalFrontEnd> Open(const InstallLog& log, std::ostream& out);
    ~TerminalFrontEnd() override;
    TerminalFrontEnd(const TerminalFrontEnd&) = delete;
    TerminalFrontEnd& operator=(const TerminalFrontEnd&) = delete;

    // Answers the flow's exit code. Runs once: the screen is gone when it returns.
    int run(InstallFlow& flow) override;

    // Every frame is laid out from the flow as it stands, so changes need no call of their own.
    void stepShown(FlowStep) override {}
    void paneShown(const PaneView&) override {}
    void sheetShown(const appkit::Sheet&) override {}
    // The pane's code may take a moment: the screen says so until the next frame.
    void waitStarted(FlowWait wait) override;
    void waitEnded(FlowWait) override {}
    void installProgress(const InstallProgress&) override {}
    void finished(const FlowOutcome& outcome) override { outcome_ = outcome; }

  private:
    TerminalFrontEnd(std::unique_ptr<Screen> screen, const InstallLog& log, std::ostream& out);
    void walk(InstallFlow& flow);
    void paint(bool working) const;
    void printOutcome() const;

    std::unique_ptr<Screen> screen_;
    const InstallLog& log_;
    std::ostream& out_;
    // While run() walks the flow.
    InstallFlow* flow_ = nullptr;
    UiController* controller_ = nullptr;
    std::optional<FlowOutcome> outcome_;
};

}  // namespace installer
