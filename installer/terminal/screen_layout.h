// The terminal screen laid out as text spans, without drawing: which text goes where, in
// which style, for a screen of a given size. The painter (terminal_front_end.cpp) only copies
// the spans to the terminal, so everything that is shown can be tested without a terminal.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "installer/model/flow_state.h"
#include "installer/model/install_log.h"
#include "installer/terminal/ui_controller.h"

namespace installer {

enum class Style {
    Normal,
    Header,       // The title bar.
    Step,         // A step in the list of steps.
    CurrentStep,  // The step shown now.
    Heading,      // A title inside the content.
    Selected,     // The selected radio row, the focused button.
    Button,
    ButtonDisabled,
    Hint,     // The status line's key hints.
    Warning,  // The status line after a refused key.
};

struct Span {
    int row = 0;
    int col = 0;
    std::string text;  // Printable text that fits the screen from `col` on.
    Style style = Style::Normal;
};

struct Box {
    int row = 0;
    int col = 0;
    int height = 0;
    int width = 0;
};

// Drawn in order: a layer with a box clears it and draws its border before its spans.
struct Layer {
    std::optional<Box> box;
    std::string boxTitle;
    std::vector<Span> spans;
};

struct Frame {
    std::vector<Layer> layers;
    bool tooSmall = false;
    // The first content line shown (lines above it are scrolled off) and how many list rows
    // fit at once, for the next frame and for PgUp/PgDn.
    std::size_t scroll = 0;
    int pageRows = 1;
};

// Everything the screen shows: the flow as it last told of it, and the screen's own state.
struct ScreenInput {
    // What the flow published last: the step, the pane, the wait, the install, and what
    // Continue and Go Back can do.
    FlowState flow;
    UiState ui;
    std::vector<LogEntry> logEntries;
    std::optional<std::string> logPath;
    // How long the flow's wait has taken so far.
    int waitSeconds = 0;
    // The pack's problems, as --check finds them.
    std::vector<std::string> warnings;
};

// Below the header and above the buttons: the fewest content rows any step needs (its
// heading, a blank and a line of the label, two rows of a scrolled list).
inline constexpr int kMinContentRows = 5;
// The smallest screen on which every step is laid out; lists longer than the screen scroll,
// so it does not depend on how many rows the pane lists.
inline constexpr int kMinWidth = 40;
inline constexpr int kMinHeight = 3 + kMinContentRows + 4;

Frame LayoutScreen(const ScreenInput& model, int width, int height);

// The frame as lines of text (styles dropped), as a terminal of that size would show it.
std::vector<std::string> FrameText(const Frame& frame, int width, int height);

}  // namespace installer
