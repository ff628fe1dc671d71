// The interactive front end on a terminal (ncurses): draws the frames of screen_layout.h and
// feeds the keys to the UI controller until the flow is finished; once the screen is gone it
// prints the outcome in a line or two.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

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
#include "installer/terminal/screen_layout.h"
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

    // Called on the runner's thread: keeps the flow's latest state for the drawing thread,
    // which never reads the flow or the pane while a request runs.
    void shown(const FlowState& state) override;
    // Waits for the drawing thread's answer (y or n) to the question the state shows.
    bool confirm(const std::string& question) override;

  private:
    TerminalFrontEnd(std::unique_ptr<Screen> screen, const InstallLog& log, std::ostream& out);
    void walk(InstallFlow& flow);
    // On the worker thread, between requests: the flow and the keys' state as they stand.
    // On the runner's thread, after each request: the keys' state as it stands.
    void publish(const UiController& controller);
    // On the drawing thread: what to draw now, and whether a wait ended since the last look.
    ScreenInput input(bool& waited);
    // On the drawing thread: answers the question on the screen, if there is one.
    void answer(bool yes);
    void printOutcome() const;

    std::unique_ptr<Screen> screen_;
    const InstallLog& log_;
    std::ostream& out_;
    std::mutex mutex_;
    std::condition_variable answered_;
    FlowState state_;
    UiState ui_;
    bool waited_ = false;  // A wait ended since the drawing thread last looked.
    std::optional<bool> answer_;  // The drawing thread's answer to the state's question.
    std::vector<std::string> warnings_;
};

}  // namespace installer
