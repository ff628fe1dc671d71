// The interactive front end on a terminal (ncurses): draws the frames of screen_layout.h and
// feeds the keys to the UI controller until the flow is finished; once the screen is gone it
// prints the outcome in a line or two.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"
#include "installer/model/install_log.h"
#include "installer/terminal/ui_controller.h"

namespace installer {

// Whether standard input and output are both terminals.
bool OnTerminal();

class Screen;

class TerminalFrontEnd final : public FrontEnd {
  public:
    // The front end on this terminal with its screen set up, or null when the terminal cannot
    // show one (TERM unset, empty, "dumb" or unknown, no cursor addressing, or the terminal
    // library refused it). `log` and `out` must outlive it; `warnings` are the pack's
    // problems, of which the introduction says one line.
    static std::unique_ptr<TerminalFrontEnd> Open(const InstallLog& log, std::ostream& out,
                                                  std::vector<std::string> warnings = {});
    ~TerminalFrontEnd() override;
    TerminalFrontEnd(const TerminalFrontEnd&) = delete;
    TerminalFrontEnd& operator=(const TerminalFrontEnd&) = delete;

    // Answers the flow's exit code. Runs once: the screen is gone when it returns. The flow's
    // requests run on a worker thread while this thread draws.
    int run(InstallFlow& flow) override;

    // Called on the worker thread: each keeps a copy of what it delivers for the drawing
    // thread, which never reads the flow or the pane while a request runs.
    void stepShown(FlowStep step) override;
    void paneShown(const PaneView& pane) override;
    void sheetShown(const appkit::Sheet&) override {}
    void waitStarted(FlowWait wait) override;
    void waitEnded(FlowWait wait) override;
    void installProgress(const InstallProgress& progress) override;
    // Shows the question in a box and waits for the drawing thread's answer (y or n).
    bool confirm(const std::string& question) override;
    void finished(const FlowOutcome& outcome) override;

    // What the drawing thread draws: copies, guarded by the front end's mutex.
    struct Shown {
        FlowStep step = FlowStep::Introduction;
        std::string packTitle;
        std::optional<PackSignature> signature;
        PaneView pane;
        std::optional<HandoffList> handoff;
        UiState ui;
        std::optional<FlowWait> wait;
        std::chrono::steady_clock::time_point waitSince;
        bool waited = false;  // A wait ended since the drawing thread last looked.
        bool finished = false;
        bool installPlanned = false;
        std::optional<InstallProgress> progress;
        std::optional<InstallReport> install;
        // The install step's question, until the drawing thread answers it.
        std::optional<std::string> question;
        std::optional<bool> answer;
    };

  private:
    TerminalFrontEnd(std::unique_ptr<Screen> screen, const InstallLog& log, std::ostream& out);
    void walk(InstallFlow& flow);
    // On the worker thread, between requests: the flow and the keys' state as they stand.
    void publish(const InstallFlow& flow, const UiController& controller);
    Shown shown();
    // On the drawing thread: answers the question on the screen, if there is one.
    void answer(bool yes);
    void printOutcome() const;

    std::unique_ptr<Screen> screen_;
    const InstallLog& log_;
    std::ostream& out_;
    std::mutex mutex_;
    std::condition_variable answered_;
    Shown shown_;
    std::vector<std::string> warnings_;
    std::optional<FlowOutcome> outcome_;
};

}  // namespace installer
