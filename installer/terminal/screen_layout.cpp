#include "installer/terminal/screen_layout.h"

#include "installer/present/flow_words.h"
#include "installer/terminal/candidate_lines.h"
#include "installer/terminal/install_screen.h"

#include <algorithm>

#include "installer/text/text_wrap.h"
#include "installer/words/words.h"

namespace installer {
namespace {

constexpr int kMargin = 2;
constexpr int kContentTop = 3;
// Rows below the content: a blank row, the buttons, a blank row, the status line.
constexpr int kRowsBelowContent = 4;
constexpr int kSheetMaxWidth = 64;
// A list gets its own scrolled part under the fixed heading only when that part keeps at
// least this many rows (the position indicator and two list rows); else all of it scrolls.
constexpr int kFewestListRows = 3;

struct Line {
    std::string text;
    Style style = Style::Normal;
    int indent = 0;
    // The pane row the line shows, when it shows one.
    std::optional<std::size_t> row;
    // The first line of what scrolls when the content is longer than the screen (the rows
    // and whatever lies under them; the heading and the label above stay).
    bool listStart = false;
};

const Words& W() {
    return Words::ForUser();
}

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
        lines.push_back({std::move(line), style, indent, std::nullopt, false});
    }
}

void AddBlank(std::vector<Line>& lines) {
    lines.push_back({});
}

void AddLines(std::vector<Line>& lines, std::vector<ContentLine> added) {
    for (ContentLine& line : added) {
        lines.push_back({std::move(line.text), line.style, line.indent, std::nullopt, false});
    }
}

std::vector<Line> IntroductionLines(const ScreenInput& model, int width) {
    std::vector<Line> lines;
    AddWrapped(lines, IntroductionHeading(model.flow.packTitle, W()), width, Style::Heading);
    AddBlank(lines);
    if (const auto signature = SignatureLine(model.flow.signature)) {
        const bool trusted =
            model.flow.signature->state == PackSignature::State::Trusted;
        AddWrapped(lines, *signature, width, trusted ? Style::Normal : Style::Warning);
        AddBlank(lines);
    }
    for (const std::string& paragraph : IntroductionParagraphs(W())) {
        AddWrapped(lines, paragraph, width, Style::Normal);
        AddBlank(lines);
    }
    AddLines(lines, IntroductionInstallLines(model, width));
    return lines;
}

std::vector<Line> PaneLines(const ScreenInput& model, int width) {
    std::vector<Line> lines;
    AddWrapped(lines, model.flow.pane.title, width, Style::Heading);
    AddBlank(lines);
    AddWrapped(lines, model.flow.pane.label, width, Style::Normal);
    if (!model.flow.pane.rows.empty()) AddBlank(lines);
    for (std::size_t index = 0; index < model.flow.pane.rows.size(); ++index) {
        const PaneRow& row = model.flow.pane.rows[index];
        const Style style = row.selected ? Style::Selected : Style::Normal;
        auto wrapped = WrapText(PrintableText(row.title, false), Columns(width - 6));
        for (std::size_t i = 0; i < wrapped.size(); ++i) {
            std::string text = i == 0 ? (row.selected ? "(*) " : "( ) ") : "    ";
            text += wrapped[i];
            lines.push_back({Padded(std::move(text), width - 2), style, 2, index, index == 0 && i == 0});
        }
        if (!row.selected) continue;
        // The details belong to their row, so scrolling to the selection keeps them in view.
        for (std::string& detail : RowDetailLines(row, width - 6))
            lines.push_back({std::move(detail), Style::Hint, 6, index, false});
    }
    // Turned-away copies: dimmed, below the rows, never selectable; when nothing is offered
    // they are what scrolls.
    std::vector<std::string> turnedAway = TurnedAwayLines(model.flow.pane, width - 2);
    if (!turnedAway.empty()) AddBlank(lines);
    const bool startsList = model.flow.pane.rows.empty();
    for (std::size_t i = 0; i < turnedAway.size(); ++i) {
        lines.push_back({std::move(turnedAway[i]), Style::ButtonDisabled, 2, std::nullopt,
                         startsList && i == 0});
    }
    return lines;
}

// The handoff list: where it is and its six raw values.
void AddHandoffLines(std::vector<Line>& lines, const ScreenInput& model, int width) {
    constexpr int kKeyColumns = 18;
    if (!model.flow.handoff) return;
    const HandoffList& handoff = *model.flow.handoff;
    AddWrapped(lines, W().text("summary.went_on"), width, Style::Normal);
    AddWrapped(lines, handoff.path, width, Style::Normal, 2);
    if (!handoff.writtenByThisExit) {
        AddWrapped(lines, W().text("summary.not_written"), width, Style::Warning);
    }
    AddBlank(lines);
    if (!handoff.values) {
        AddWrapped(lines, W().text("summary.unreadable"), width, Style::Warning);
        return;
    }
    for (const HandoffField& field : kHandoffFields) {
        const auto& value = (*handoff.values).*field.value;
        const auto wrapped =
            WrapText(PrintableText(value ? *value : W().text("summary.missing"), false),
                     Columns(width - 2 - kKeyColumns));
        for (std::size_t j = 0; j < wrapped.size(); ++j) {
            std::string key = j == 0 ? std::string(field.key) : std::string();
            lines.push_back({Padded(std::move(key), kKeyColumns) + wrapped[j], Style::Normal, 2,
                             std::nullopt, false});
        }
    }
}

// After an install: the plain sentence, and the raw values only in the details view.
std::vector<Line> SummaryLines(const ScreenInput& model, int width) {
    std::vector<Line> lines;
    if (model.flow.install) {
        AddLines(lines, InstallSummaryLines(model, width));
        if (model.ui.details) AddHandoffLines(lines, model, width);  // Below the hint's blank.
        return lines;
    }
    AddWrapped(lines, W().text("step.summary"), width, Style::Heading);
    AddBlank(lines);
    AddHandoffLines(lines, model, width);
    return lines;
}

std::vector<Line> ContentLines(const ScreenInput& model, int width) {
    switch (model.flow.step) {
        case FlowStep::Introduction:
            return IntroductionLines(model, width);
        case FlowStep::Pane:
            return PaneLines(model, width);
        case FlowStep::Install: {
            std::vector<Line> lines;
            AddLines(lines, InstallingLines(model, width));
            return lines;
        }
        case FlowStep::Summary:
        case FlowStep::Finished:
            return SummaryLines(model, width);
    }
    return {};
}

Layer TooSmall(int width, int height, int needWidth, int needHeight) {
    Layer layer;
    const std::string text = W().text(
        "screen.too_small",
        {{"need", std::to_string(needWidth) + "x" + std::to_string(needHeight)},
         {"size", std::to_string(width) + "x" + std::to_string(height)}});
    const auto lines = WrapText(text, Columns(width));
    const int top = std::max(0, (height - static_cast<int>(lines.size())) / 2);
    for (std::size_t i = 0; i < lines.size() && top + static_cast<int>(i) < height; ++i) {
        layer.spans.push_back({top + static_cast<int>(i), 0, lines[i], Style::Warning});
    }
    return layer;
}

std::string StepName(const ScreenInput& model, FlowStep step) {
    switch (step) {
        case FlowStep::Introduction:
            return W().text("step.introduction");
        case FlowStep::Pane:
            return PrintableText(model.flow.pane.title, false);
        case FlowStep::Install:
            return W().text("step.installation");
        case FlowStep::Summary:
        case FlowStep::Finished:
            return W().text("step.summary");
    }
    return {};
}

void AddStepList(Layer& layer, const ScreenInput& model, int width) {
    const std::vector<FlowStep>& steps = model.flow.steps;
    const FlowStep current = model.flow.step == FlowStep::Finished ? FlowStep::Summary : model.flow.step;
    int col = kMargin;
    for (std::size_t i = 0; i < steps.size(); ++i) {
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

void AddButtons(Layer& layer, const ScreenInput& model, int width, int height) {
    const bool backEnabled = model.flow.canGoBack;
    const bool nextEnabled = model.flow.canContinue;
    const std::string back = "[ " + W().text("button.go_back") + " ]";
    const std::string next = "[ " + ContinueLabel(model.flow.step) + " ]";
    const int row = height - 3;
    const int nextCol = width - kMargin - Width(next);
    const int backCol = nextCol - 2 - Width(back);
    layer.spans.push_back(
        {row, backCol, back, backEnabled ? Style::Button : Style::ButtonDisabled});
    layer.spans.push_back(
        {row, nextCol, next, nextEnabled ? Style::Selected : Style::ButtonDisabled});
}

// The key hints of what the screen shows now, most needed first; each has a long and a
// short form ("hint.X", "hint.X.short").
std::vector<std::string> HintKeys(const ScreenInput& model) {
    if (model.ui.overlay == Overlay::Log) {
        if (model.ui.filtering) return {"hint.filter_apply", "hint.filter_clear"};
        return {"hint.log_scroll", "hint.log_filter", "hint.log_close"};
    }
    if (model.flow.question) return {"install.hint.yes", "install.hint.no"};
    if (model.ui.overlay == Overlay::QuitConfirm) return {"hint.quit_yes", "hint.quit_no"};
    switch (model.flow.step) {
        case FlowStep::Introduction:
            return {"hint.continue", "hint.log", "hint.quit"};
        case FlowStep::Pane:
            if (model.flow.pane.sheet) return {"hint.sheet_button", "hint.log"};
            return {"hint.choose", "hint.continue", "hint.back", "hint.log", "hint.quit"};
        case FlowStep::Install:
            return {"hint.log"};
        case FlowStep::Summary:
        case FlowStep::Finished:
            if (model.flow.backAction == BackAction::None) {
                return {"hint.finish", "install.hint.details", "hint.log", "hint.quit"};
            }
            if (model.flow.install) {
                return {"hint.finish", "hint.back", "install.hint.details", "hint.log", "hint.quit"};
            }
            return {"hint.finish", "hint.back", "hint.log", "hint.quit"};
    }
    return {};
}

// The hints in their long forms when they fit `columns`, else in their short forms, else
// as many short ones as fit: a hint is dropped whole, never cut.
std::string FitHints(const std::vector<std::string>& keys, int columns) {
    for (const char* suffix : {"", ".short"}) {
        std::string joined;
        for (const std::string& key : keys) {
            std::string hint = W().text(key + suffix);
            const std::string next = joined.empty() ? hint : joined + "   " + hint;
            if (Width(next) > columns) break;
            joined = next;
            if (&key == &keys.back()) return joined;
        }
        if (*suffix != '\0') return joined;
    }
    return {};
}

void AddStatus(Layer& layer, const ScreenInput& model, int width, int height) {
    std::string text = FitHints(HintKeys(model), width - 2);
    Style style = Style::Hint;
    if (model.flow.question) {
        // The question's answer is all that is waited for; the hint says how to give it.
    } else if (model.flow.wait) {
        text = WaitText(W(), *model.flow.wait, model.waitSeconds);
        style = Style::Warning;
    } else if (!model.ui.status.empty()) {
        text = model.ui.status;
        style = model.ui.statusIsWarning ? Style::Warning : Style::Hint;
    }
    layer.spans.push_back({height - 1, 0, Padded(" " + text, width), style});
}

// A centred box holding `message`, cut with "..." where the screen is too short for all
// of it; nothing when not even its first line fits.
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
    const int room = height - 2 - 6;
    if (room < 1 || inner < 10) return std::nullopt;
    if (static_cast<int>(lines.size()) > room) {
        lines.resize(static_cast<std::size_t>(room));
        lines.back() = Fit(lines.back(), inner - 3) + "...";
    }
    const int boxHeight = static_cast<int>(lines.size()) + 6;
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

// The message's lines wrapped to `columns`, each continuation indented as the message is.
std::vector<std::string> WrapKeepingIndent(const std::string& message, int columns) {
    const std::size_t indent = std::min<std::size_t>(
        message.find_first_not_of(' ') == std::string::npos ? 0 : message.find_first_not_of(' '),
        static_cast<std::size_t>(std::max(columns / 2, 0)));
    const std::string lead(indent, ' ');
    std::vector<std::string> lines;
    for (std::string& line : WrapText(PrintableText(message.substr(indent), false),
                                      Columns(columns - static_cast<int>(indent)))) {
        lines.push_back(lead + line);
    }
    if (lines.empty()) lines.push_back(lead);
    return lines;
}

Layer LogLayer(const ScreenInput& model, int width, int height) {
    Layer layer;
    const Box box{1, 0, height - 2, width};
    layer.box = box;
    const std::string heading = " " + W().text("log.title");
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
    constexpr int kTimeColumns = 12;  // hh:mm:ss.mmm
    struct LogRow {
        std::string text;
        std::string time;
    };
    std::vector<LogRow> lines;
    for (const LogEntry& entry : model.logEntries) {
        if (!model.ui.logFilter.empty() &&
            entry.message.find(model.ui.logFilter) == std::string::npos) {
            continue;
        }
        const auto wrapped = WrapKeepingIndent(entry.message, inner - kTimeColumns - 2);
        for (std::size_t i = 0; i < wrapped.size(); ++i) {
            lines.push_back({wrapped[i], i == 0 ? entry.time : std::string()});
        }
    }
    // The last row of the box tells where the view stands, and the filter.
    const std::size_t visible = static_cast<std::size_t>(std::max(box.height - 3, 1));
    const std::size_t maxScroll = lines.size() > visible ? lines.size() - visible : 0;
    const std::size_t scroll = std::min(model.ui.logScroll, maxScroll);
    const std::size_t end = lines.size() - scroll;
    const std::size_t begin = end > visible ? end - visible : 0;
    for (std::size_t i = begin; i < end; ++i) {
        const int row = box.row + 1 + static_cast<int>(i - begin);
        layer.spans.push_back({row, 2, Fit(lines[i].text, inner - kTimeColumns - 1), Style::Normal});
        if (!lines[i].time.empty()) {
            layer.spans.push_back(
                {row, width - 2 - kTimeColumns, Fit(lines[i].time, kTimeColumns), Style::Hint});
        }
    }
    std::string position =
        lines.empty() ? W().text(model.ui.logFilter.empty() ? "log.empty" : "log.no_match")
                      : W().text("log.position", {{"first", std::to_string(begin + 1)},
                                                  {"last", std::to_string(end)},
                                                  {"count", std::to_string(lines.size())}});
    if (model.ui.filtering || !model.ui.logFilter.empty()) {
        position += "   " + W().text("log.filter", {{"text", PrintableText(model.ui.logFilter,
                                                                             false)}});
        if (model.ui.filtering) position += "_";
    }
    layer.spans.push_back({box.row + box.height - 2, 2, Fit(position, inner), Style::Hint});
    return layer;
}

// Where the content is scrolled so that the selected row's lines are in view: from
// `wanted`, moved as little as needed, never past the end.
std::size_t ScrollShowing(const std::vector<Line>& lines, std::size_t wanted, std::size_t visible,
                          std::optional<std::size_t> selected) {
    const std::size_t maxScroll = lines.size() > visible ? lines.size() - visible : 0;
    std::size_t scroll = std::min(wanted, maxScroll);
    if (!selected) return scroll;
    std::optional<std::size_t> first;
    std::size_t last = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].row != selected) continue;
        if (!first) first = i;
        last = i;
    }
    if (!first) return scroll;
    if (last >= scroll + visible) scroll = last + 1 - visible;
    if (*first < scroll) scroll = *first;
    return scroll;
}

// "3-12 of 40": the rows in view, or the lines when no row is.
std::string ScrollPosition(const std::vector<Line>& shown, std::size_t scroll,
                           std::size_t totalLines, std::size_t rowCount) {
    std::optional<std::size_t> first;
    std::size_t last = 0;
    for (const Line& line : shown) {
        if (!line.row) continue;
        if (!first) first = *line.row;
        last = *line.row;
    }
    if (first) {
        return W().text("list.position", {{"first", std::to_string(*first + 1)},
                                          {"last", std::to_string(last + 1)},
                                          {"count", std::to_string(rowCount)}});
    }
    return W().text("list.position", {{"first", std::to_string(scroll + 1)},
                                      {"last", std::to_string(scroll + shown.size())},
                                      {"count", std::to_string(totalLines)}});
}

// Lays the content into `rows` rows from kContentTop on: all of it when it fits, else the
// heading fixed and the list scrolled under it, with its position on the last row.
void AddContent(Layer& layer, Frame& frame, const ScreenInput& model,
                const std::vector<Line>& lines, int rows, int width) {
    auto put = [&](const Line& line, int row) {
        layer.spans.push_back({row, kMargin + line.indent, line.text, line.style});
    };
    if (static_cast<int>(lines.size()) <= rows) {
        for (std::size_t i = 0; i < lines.size(); ++i) put(lines[i], kContentTop + static_cast<int>(i));
        frame.pageRows = rows;
        return;
    }
    std::size_t fixed = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].listStart) fixed = i;
    }
    if (rows - static_cast<int>(fixed) < kFewestListRows) fixed = 0;
    for (std::size_t i = 0; i < fixed; ++i) put(lines[i], kContentTop + static_cast<int>(i));
    const std::vector<Line> list(lines.begin() + static_cast<long>(fixed), lines.end());
    const auto visible = static_cast<std::size_t>(rows - static_cast<int>(fixed) - 1);
    const std::size_t scroll =
        ScrollShowing(list, model.ui.scroll, visible, model.flow.pane.selectedIndex());
    const std::size_t end = std::min(list.size(), scroll + visible);
    const std::vector<Line> shown(list.begin() + static_cast<long>(scroll),
                                  list.begin() + static_cast<long>(end));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        put(shown[i], kContentTop + static_cast<int>(fixed + i));
    }
    const std::string position =
        ScrollPosition(shown, scroll, list.size(), model.flow.pane.rows.size());
    const int positionWidth = Width(position);
    layer.spans.push_back({kContentTop + rows - 1, std::max(kMargin, width - kMargin - positionWidth),
                           Fit(position, width - 2 * kMargin), Style::Hint});
    frame.scroll = scroll;
    frame.pageRows = static_cast<int>(std::max<std::size_t>(visible, 1));
}

}  // namespace

Frame LayoutScreen(const ScreenInput& model, int width, int height) {
    Frame frame;
    if (width < kMinWidth || height < kMinHeight) {
        frame.tooSmall = true;
        frame.layers.push_back(TooSmall(width, height, kMinWidth, kMinHeight));
        return frame;
    }
    const int contentWidth = width - 2 * kMargin;
    const std::vector<Line> lines = ContentLines(model, contentWidth);
    const int rows = height - kContentTop - kRowsBelowContent;
    Layer base;
    base.spans.push_back(
        {0, 0,
         Padded(" " + W().text("screen.header",
                               {{"pack", PrintableText(model.flow.packTitle, false)}}),
                width),
         Style::Header});
    AddStepList(base, model, width);
    AddContent(base, frame, model, lines, rows, width);
    AddButtons(base, model, width, height);
    AddStatus(base, model, width, height);
    frame.layers.push_back(std::move(base));

    std::optional<Layer> overlay;
    if (model.flow.sheetShown()) {
        overlay =
            Dialog({model.flow.pane.sheet->message}, model.flow.pane.sheet->defaultButton, width, height);
    }
    if (model.ui.overlay == Overlay::QuitConfirm) {
        overlay = Dialog({W().text("quit.question"), QuitConsequence(model)},
                         W().text("quit.button"), width, height);
    }
    if (model.flow.question) {
        overlay = Dialog({*model.flow.question}, W().text("install.ask.button"), width, height);
    }
    if (model.ui.overlay == Overlay::Log) overlay = LogLayer(model, width, height);
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
