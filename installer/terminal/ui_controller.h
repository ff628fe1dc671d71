// What the keys of the terminal screen do: maps each key to a step of the install flow or
// to the screen's own state (log view, quit question, status line). Knows nothing of the
// terminal library, so the same logic is tested without a terminal.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstddef>
#include <string>

#include "installer/model/install_flow.h"

namespace installer {

enum class Key { Up, Down, PageUp, PageDown, Home, End, Enter, Escape, Backspace, Resize, Char, Other };

struct KeyPress {
    Key key = Key::Other;
    char ch = 0;  // For Key::Char.
};

enum class Overlay { None, Log, QuitConfirm };

struct UiState {
    Overlay overlay = Overlay::None;
    // Log view: how many lines the view is scrolled up from the newest.
    std::size_t logScroll = 0;
    // The content's first shown line, as the last frame laid it out (the layout keeps the
    // selected row in view from there).
    std::size_t scroll = 0;
    // Log view: only the lines holding this text (empty: every line); while `filtering`,
    // typed characters go into it.
    std::string logFilter;
    bool filtering = false;
    // The status line: a hint, or what just happened.
    std::string status;
    bool statusIsWarning = false;
    // The summary after an install shows the handoff list's raw values too (d toggles it).
    bool details = false;
};

class UiController {
  public:
    explicit UiController(InstallFlow& flow) : flow_(flow) {}

    // Handles one key. A step that calls into the pane tells the flow's front end of the wait.
    void handle(KeyPress key);

    const UiState& state() const { return state_; }
    // What the last frame showed: where the content was scrolled and how many rows fit, so
    // the next keys move from there (PgUp/PgDn by a page).
    void setView(std::size_t scroll, int pageRows);
    bool finished() const { return flow_.step() == FlowStep::Finished; }

  private:
    void handlePaneKeys(KeyPress key);
    void handleLogKeys(KeyPress key);
    void handleQuitKeys(KeyPress key);
    void handleSheetKeys(KeyPress key);
    void moveSelection(long delta);
    void handleFilterKeys(KeyPress key);
    bool toggleDetails();
    void next();
    void back();
    void report(FlowAnswer answer);
    void say(std::string text, bool warning);

    InstallFlow& flow_;
    UiState state_;
    int pageRows_ = 10;
};

}  // namespace installer
