#include "installer/terminal/screen_layout.h"

#include "installer/terminal/candidate_lines.h"

#include <algorithm>

#include "installer/text/text_wrap.h"

namespace installer {
namespace {

constexpr int kMargin = 2;
constexpr int kContentTop = 3;
// Rows below the content: a blank row, the buttons, a blank row, the status line.
constexpr int kRowsBelowContent = 4;
constexpr int kSheetMaxWidth = 64;

struct Line {
    std::string text;
    Style style = Style::Normal;
    int indent = 0;
};

int Width(std::string_view text) {
    return static_cast<int>(DisplayWidth(text));
}

std::size_t Columns(int width) {
    return static_cast<std::size_t>(std::max(width, 1));
}

// `text` cut to at most `columns` columns.
std::string Fit(std::string_view text, int columns) {
    return TruncateText(text, static_cast<std::size_t>(std::max(columns, 0)));
}

std::string Padded(std::string text, int columns) {
    text = Fit(text, columns);
    const int width = Width(text);
    if (width < columns) text.append(static_cast<std::size_t>(columns - width), ' ');
    return text;
}

void AddWrapped(std::vector<Line>& lines, std::string_view text, int width, Style style,
                int indent = 0) {
    for (std::string& line : WrapText(PrintableText(text, true), Columns(width - indent))) {
        lines.push_back({std::move(line), style, indent});
    }
}

void AddBlank(std::vector<Line>& lines) {
    lines.push_back({});
}

std::vector<Line> IntroductionLines(const ScreenModel& model, int width) {
    std::vector<Line> lines;
    AddWrapped(lines, "Welcome to the " + model.packTitle + " installer", width, Style::Heading);
    AddBlank(lines);
    AddWrapped(lines,
               "This installer puts the content pack into a copy of Quillet on this computer. "
               "Continue to choose the copy that should receive it.",
               width, Style::Normal);
    return lines;
}

std::vector<Line> PaneLines(const ScreenModel& model, int width) {
    std::vector<Line> lines;
    AddWrapped(lines, model.pane.title, width, Style::Heading);
    AddBlank(lines);
    AddWrapped(lines, model.pane.label, width, Style::Normal);
    if (!model.pane.rows.empty()) AddBlank(lines);
    for (const PaneRow& row : model.pane.rows) {
        const Style style = row.selected ? Style::Selected : Style::Normal;
        auto wrapped = WrapText(PrintableText(row.title, false), Columns(width - 6));
        for (std::size_t i = 0; i < wrapped.size(); ++i) {
            std::string text = i == 0 ? (row.selected ? "(*) " : "( ) ") : "    ";
            text += wrapped[i];
            lines.push_back({Padded(std::move(text), width - 2), style, 2});
        }
        if (!row.selected) continue;
        for (std::string& detail : RowDetailLines(row, width - 6))
            lines.push_back({std::move(detail), Style::Hint, 6});
    }
    // Turned-away copies: dimmed, below the rows, never selectable.
    std::vector<std::string> turnedAway = TurnedAwayLines(model.pane, width - 2);
    if (!turnedAway.empty()) AddBlank(lines);
    for (std::string& line : turnedAway) lines.push_back({std::move(line), Style::ButtonDisabled, 2});
    return lines;
}

std::vector<Line> SummaryLines(const ScreenModel& model, int width) {
    constexpr int kKeyColumns = 18;
    std::vector<Line> lines;
    AddWrapped(lines, "Summary", width, Style::Heading);
    AddBlank(lines);
    if (!model.handoff) return lines;
    const HandoffList& handoff = *model.handoff;
    AddWrapped(lines, "The pane let the installation go on. Handoff list:", width, Style::Normal);
    AddWrapped(lines, handoff.path, width, Style::Normal, 2);
    if (!handoff.writtenByThisExit) {
        AddWrapped(lines, "Warning: the pane did not write it when it let you go on.", width,
                   Style::Warning);
    }
    AddBlank(lines);
    if (!handoff.values) {
        AddWrapped(lines, "The handoff list could not be read.", width, Style::Warning);
        return lines;
    }
    for (std::size_t i = 0; i < kHandoffKeys.size(); ++i) {
        const auto& value = (*handoff.values)[i];
        const auto wrapped = WrapText(PrintableText(value ? *value : "(missing)", false),
                                      Columns(width - 2 - kKeyColumns));
        for (std::size_t j = 0; j < wrapped.size(); ++j) {
            std::string key = j == 0 ? std::string(kHandoffKeys[i]) : std::string();
            lines.push_back({Padded(std::move(key), kKeyColumns) + wrapped[j], Style::Normal, 2});
        }
    }
    return lines;
}

std::vector<Line> ContentLines(const ScreenModel& model, int width) {
    switch (model.step) {
        case FlowStep::Introduction:
            return IntroductionLines(model, width);
        case FlowStep::Pane:
            return PaneLines(model, width);
        case FlowStep::Install:
        case FlowStep::Summary:
        case FlowStep::Finished:
            return SummaryLines(model, width);
    }
    return {};
}

Layer TooSmall(int width, int height, int needWidth, int needHeight) {
    Layer layer;
    const std::string text = "The terminal is too small for this step: it needs " +
                             std::to_string(needWidth) + "x" + std::to_string(needHeight) +
                             ", this one is " + std::to_string(width) + "x" +
                             std::to_string(height) + ". Enlarge it, or press q to quit.";
    const auto lines = WrapText(text, Columns(width));
    const int top = std::max(0, (height - static_cast<int>(lines.size())) / 2);
    for (std::size_t i = 0; i < lines.size() && top + static_cast<int>(i) < height; ++i) {
        layer.spans.push_back({top + static_cast<int>(i), 0, lines[i], Style::Warning});
    }
    return layer;
}

std::string StepName(const ScreenModel& model, FlowStep step) {
    switch (step) {
        case FlowStep::Introduction:
            return "Introduction";
        case FlowStep::Pane:
            return PrintableText(model.pane.title, false);
        case FlowStep::Install:
            return "Installation";
        case FlowStep::Summary:
        case FlowStep::Finished:
            return "Summary";
    }
    return {};
}

void AddStepList(Layer& layer, const ScreenModel& model, int width) {
    const FlowStep steps[] = {FlowStep::Introduction, FlowStep::Pane, FlowStep::Summary};
    const FlowStep current = model.step == FlowStep::Finished ? FlowStep::Summary : model.step;
    int col = kMargin;
    for (std::size_t i = 0; i < 3; ++i) {
        std::string name = StepName(model, steps[i]);
        if (i > 0) {
            layer.spans.push_back({1, col, Fit(" > ", width - col), Style::Step});
            col += 3;
        }
        if (col >= width) return;
        name = Fit(name, width - col);
        layer.spans.push_back(
            {1, col, name, steps[i] == current ? Style::CurrentStep : Style::Step});
        col += Width(name);
    }
}

void AddButtons(Layer& layer, const ScreenModel& model, int width, int height) {
    const bool sheet = model.step == FlowStep::Pane && model.pane.sheet.has_value();
    const bool backEnabled = model.step != FlowStep::Introduction && !sheet;
    bool nextEnabled = !sheet;
    if (model.step == FlowStep::Pane) nextEnabled = nextEnabled && model.pane.nextEnabled;
    const std::string back = "[ Go Back ]";
    const std::string next = model.step == FlowStep::Summary ? "[ Finish ]" : "[ Continue ]";
    const int row = height - 3;
    const int nextCol = width - kMargin - Width(next);
    const int backCol = nextCol - 2 - Width(back);
    layer.spans.push_back(
        {row, backCol, back, backEnabled ? Style::Button : Style::ButtonDisabled});
    layer.spans.push_back(
        {row, nextCol, next, nextEnabled ? Style::Selected : Style::ButtonDisabled});
}

std::string Hints(const ScreenModel& model) {
    if (model.ui.overlay == Overlay::Log)
        return "Up/Down PgUp/PgDn scroll   l or Esc close the log";
    if (model.ui.overlay == Overlay::QuitConfirm) return "y quit   n stay";
    switch (model.step) {
        case FlowStep::Introduction:
            return "Enter/c Continue   l log   q quit";
        case FlowStep::Pane:
            if (model.pane.sheet) return "Enter press the message's button   l log";
            return "Up/Down choose   Enter/c Continue   b Go Back   l log   q quit";
        case FlowStep::Install:
            return "l log";
        case FlowStep::Summary:
        case FlowStep::Finished:
            return "Enter/c Finish   b Go Back   l log   q quit";
    }
    return {};
}

void AddStatus(Layer& layer, const ScreenModel& model, int width, int height) {
    std::string text = Hints(model);
    Style style = Style::Hint;
    if (model.working) {
        text = "Working...";
    } else if (!model.ui.status.empty()) {
        text = model.ui.status;
        style = model.ui.statusIsWarning ? Style::Warning : Style::Hint;
    }
    layer.spans.push_back({height - 1, 0, Padded(" " + text, width), style});
}

// A centred box holding `lines`; nothing when it does not fit.
std::optional<Layer> Dialog(const std::vector<std::string>& message, const std::string& button,
                            int width, int height) {
    const int boxWidth = std::min(width - 4, kSheetMaxWidth);
    const int inner = boxWidth - 4;
    std::vector<std::string> lines;
    for (const std::string& part : message) {
        for (std::string& line : WrapText(PrintableText(part, true), Columns(inner))) {
            lines.push_back(std::move(line));
        }
    }
    const int boxHeight = static_cast<int>(lines.size()) + 6;
    if (boxHeight > height - 2 || inner < 10) return std::nullopt;
    Layer layer;
    const Box box{(height - boxHeight) / 2, (width - boxWidth) / 2, boxHeight, boxWidth};
    layer.box = box;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        layer.spans.push_back(
            {box.row + 2 + static_cast<int>(i), box.col + 2, lines[i], Style::Normal});
    }
    const std::string shown = "[ " + Fit(PrintableText(button, false), inner - 4) + " ]";
    layer.spans.push_back(
        {box.row + boxHeight - 2, box.col + boxWidth - 2 - Width(shown), shown, Style::Selected});
    return layer;
}

Layer LogLayer(const ScreenModel& model, int width, int height) {
    Layer layer;
    const Box box{1, 0, height - 2, width};
    layer.box = box;
    const std::string heading = " Install log";
    layer.boxTitle = heading + " ";
    if (model.logPath) {
        // The end of the path says the most: the file and the folders just above it.
        const int room = width - 4 - Width(heading) - 3;
        layer.boxTitle = heading + ": " +
                         TruncateText(PrintableText(*model.logPath, false),
                                      static_cast<std::size_t>(std::max(room, 0)), true) +
                         " ";
    }
    const int inner = width - 4;
    std::vector<std::string> lines;
    for (const std::string& entry : model.logLines) {
        for (std::string& line : WrapText(PrintableText(entry, true), Columns(inner))) {
            lines.push_back(std::move(line));
        }
    }
    if (lines.empty()) lines.push_back("(nothing logged yet)");
    const std::size_t visible = static_cast<std::size_t>(std::max(box.height - 2, 1));
    const std::size_t maxScroll = lines.size() > visible ? lines.size() - visible : 0;
    const std::size_t scroll = std::min(model.ui.logScroll, maxScroll);
    const std::size_t end = lines.size() - scroll;
    const std::size_t begin = end > visible ? end - visible : 0;
    for (std::size_t i = begin; i < end; ++i) {
        layer.spans.push_back(
            {box.row + 1 + static_cast<int>(i - begin), 2, lines[i], Style::Normal});
    }
    return layer;
}

}  // namespace

Frame LayoutScreen(const ScreenModel& model, int width, int height) {
    Frame frame;
    if (width < kMinWidth || height < kMinHeight) {
        frame.tooSmall = true;
        frame.layers.push_back(TooSmall(width, height, kMinWidth, kMinHeight));
        return frame;
    }
    const int contentWidth = width - 2 * kMargin;
    const std::vector<Line> lines = ContentLines(model, contentWidth);
    const int rows = height - kContentTop - kRowsBelowContent;
    if (static_cast<int>(lines.size()) > rows) {
        frame.tooSmall = true;
        const int needHeight = static_cast<int>(lines.size()) + kContentTop + kRowsBelowContent;
        frame.layers.push_back(TooSmall(width, height, width, needHeight));
        return frame;
    }
    Layer base;
    base.spans.push_back(
        {0, 0, Padded(" Install " + PrintableText(model.packTitle, false), width), Style::Header});
    AddStepList(base, model, width);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        base.spans.push_back(
            {kContentTop + static_cast<int>(i), kMargin + line.indent, line.text, line.style});
    }
    AddButtons(base, model, width, height);
    AddStatus(base, model, width, height);
    frame.layers.push_back(std::move(base));

    std::optional<Layer> overlay;
    if (model.step == FlowStep::Pane && model.pane.sheet) {
        overlay =
            Dialog({model.pane.sheet->message}, model.pane.sheet->defaultButton, width, height);
    }
    if (model.ui.overlay == Overlay::QuitConfirm) {
        overlay = Dialog({"Quit the installer?", "The content pack will not be installed."},
                         "y Quit", width, height);
    }
    if (model.ui.overlay == Overlay::Log) overlay = LogLayer(model, width, height);
    const bool wantsOverlay =
        (model.step == FlowStep::Pane && model.pane.sheet) || model.ui.overlay != Overlay::None;
    if (wantsOverlay && !overlay) {
        frame = Frame{};
        frame.tooSmall = true;
        frame.layers.push_back(TooSmall(width, height, width, height + 4));
        return frame;
    }
    if (overlay) frame.layers.push_back(std::move(*overlay));
    return frame;
}

namespace {

// One terminal cell: the glyph that starts there ("" for the second half of a wide one).
using Grid = std::vector<std::vector<std::string>>;

// Adds `glyph` to the cell where the character before column `col` starts.
void AppendToCellBefore(std::vector<std::string>& cells, int col, const std::string& glyph) {
    auto cell = static_cast<std::size_t>(col - 1);
    if (cells[cell].empty() && cell > 0) --cell;  // The second half of a wide character.
    cells[cell] += glyph;
}

void Put(Grid& grid, int row, int col, std::string_view text, int width) {
    if (row < 0 || row >= static_cast<int>(grid.size())) return;
    auto& cells = grid[static_cast<std::size_t>(row)];
    while (!text.empty() && col < width) {
        std::size_t bytes = 1;
        while (bytes < text.size() && (static_cast<unsigned char>(text[bytes]) & 0xC0u) == 0x80u) {
            ++bytes;
        }
        const std::string glyph(text.substr(0, bytes));
        const int w = Width(glyph);
        text.remove_prefix(bytes);
        if (w == 0 && col > 0) {
            // A combining mark joins the character before it, as on the terminal.
            AppendToCellBefore(cells, col, glyph);
            continue;
        }
        if (col >= 0) {
            cells[static_cast<std::size_t>(col)] = glyph;
            if (w == 2 && col + 1 < width) cells[static_cast<std::size_t>(col + 1)] = "";
        }
        col += std::max(w, 1);
    }
}

void PutBox(Grid& grid, const Box& box, const std::string& title, int width) {
    for (int r = box.row; r < box.row + box.height; ++r) {
        const bool edge = r == box.row || r == box.row + box.height - 1;
        std::string line(static_cast<std::size_t>(box.width), edge ? '-' : ' ');
        line.front() = edge ? '+' : '|';
        line.back() = edge ? '+' : '|';
        Put(grid, r, box.col, line, width);
    }
    if (!title.empty()) Put(grid, box.row, box.col + 2, title, width);
}

}  // namespace

std::vector<std::string> FrameText(const Frame& frame, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    Grid grid(static_cast<std::size_t>(height),
              std::vector<std::string>(static_cast<std::size_t>(width), " "));
    for (const Layer& layer : frame.layers) {
        if (layer.box) PutBox(grid, *layer.box, layer.boxTitle, width);
        for (const Span& span : layer.spans) Put(grid, span.row, span.col, span.text, width);
    }
    std::vector<std::string> lines;
    for (const auto& cells : grid) {
        std::string line;
        for (const std::string& cell : cells) line += cell;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace installer
