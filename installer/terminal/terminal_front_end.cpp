#include "installer/terminal/terminal_front_end.h"

#include <curses.h>
#include <fcntl.h>
#include <unistd.h>

#include <langinfo.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "installer/terminal/screen_layout.h"
#include "installer/terminal/ui_controller.h"
#include "installer/text/text_wrap.h"

namespace installer {
namespace {

enum ColorPair : short { kHeaderPair = 1, kSelectedPair, kWarningPair, kStepPair };

void SetUpColors() {
    if (!has_colors()) return;
    start_color();
    use_default_colors();
    init_pair(kHeaderPair, COLOR_WHITE, COLOR_BLUE);
    init_pair(kSelectedPair, COLOR_BLACK, COLOR_CYAN);
    init_pair(kWarningPair, COLOR_RED, -1);
    init_pair(kStepPair, COLOR_BLUE, -1);
}

attr_t Attributes(Style style) {
    const bool colors = has_colors();
    switch (style) {
        case Style::Normal:
            return A_NORMAL;
        case Style::Header:
            return colors ? COLOR_PAIR(kHeaderPair) | A_BOLD : A_REVERSE;
        case Style::Step:
            return A_DIM;
        case Style::CurrentStep:
            return colors ? COLOR_PAIR(kStepPair) | A_BOLD : A_BOLD;
        case Style::Heading:
            return A_BOLD;
        case Style::Selected:
            return colors ? COLOR_PAIR(kSelectedPair) : A_REVERSE;
        case Style::Button:
            return A_NORMAL;
        case Style::ButtonDisabled:
            return A_DIM;
        case Style::Hint:
            return A_DIM;
        case Style::Warning:
            return colors ? COLOR_PAIR(kWarningPair) | A_BOLD : A_BOLD;
    }
    return A_NORMAL;
}

void DrawBox(const Box& box, const std::string& title) {
    for (int r = box.row; r < box.row + box.height; ++r) {
        mvhline(r, box.col, ' ', box.width);
    }
    mvhline(box.row, box.col + 1, ACS_HLINE, box.width - 2);
    mvhline(box.row + box.height - 1, box.col + 1, ACS_HLINE, box.width - 2);
    mvvline(box.row + 1, box.col, ACS_VLINE, box.height - 2);
    mvvline(box.row + 1, box.col + box.width - 1, ACS_VLINE, box.height - 2);
    mvaddch(box.row, box.col, ACS_ULCORNER);
    mvaddch(box.row, box.col + box.width - 1, ACS_URCORNER);
    mvaddch(box.row + box.height - 1, box.col, ACS_LLCORNER);
    mvaddch(box.row + box.height - 1, box.col + box.width - 1, ACS_LRCORNER);
    if (!title.empty()) {
        attron(A_BOLD);
        mvaddstr(box.row, box.col + 2, title.c_str());
        attroff(A_BOLD);
    }
}

void Paint(const Frame& frame) {
    erase();
    for (const Layer& layer : frame.layers) {
        if (layer.box) DrawBox(*layer.box, layer.boxTitle);
        for (const Span& span : layer.spans) {
            const attr_t attributes = Attributes(span.style);
            attron(attributes);
            mvaddstr(span.row, span.col, span.text.c_str());
            attroff(attributes);
        }
    }
    refresh();
}

KeyPress Translate(int key) {
    switch (key) {
        case KEY_UP:
            return {Key::Up};
        case KEY_DOWN:
            return {Key::Down};
        case KEY_PPAGE:
            return {Key::PageUp};
        case KEY_NPAGE:
            return {Key::PageDown};
        case KEY_HOME:
            return {Key::Home};
        case KEY_END:
            return {Key::End};
        case KEY_ENTER:
        case '\n':
        case '\r':
            return {Key::Enter};
        case 27:
            return {Key::Escape};
        case KEY_RESIZE:
            return {Key::Resize};
        default:
            break;
    }
    if (key > 0 && key < 127) return {Key::Char, static_cast<char>(key)};
    return {Key::Other};
}

// The terminal shows UTF-8 only when the locale's character set is UTF-8.
void ChooseUtf8Locale() {
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

// While the screen is drawn, anything written to standard error (a library's stray message)
// goes to the install log, or nowhere, instead of over the screen.
class StandardErrorAside {
  public:
    explicit StandardErrorAside(const std::optional<std::string>& logPath) {
        const int target = logPath ? open(logPath->c_str(), O_WRONLY | O_APPEND | O_CLOEXEC)
                                   : open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (target < 0) return;
        saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (saved_ >= 0) dup2(target, STDERR_FILENO);
        close(target);
    }
    ~StandardErrorAside() {
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    StandardErrorAside(const StandardErrorAside&) = delete;
    StandardErrorAside& operator=(const StandardErrorAside&) = delete;

  private:
    int saved_ = -1;
};

ScreenModel Model(const InstallFlow& flow, const UiController& controller, const InstallLog& log,
                  bool working) {
    ScreenModel model;
    model.step = flow.step();
    model.packTitle = flow.packTitle();
    model.pane = flow.paneView();
    model.handoff = flow.handoff();
    model.ui = controller.state();
    if (model.ui.overlay == Overlay::Log) model.logLines = log.lines();
    model.logPath = log.path();
    model.working = working;
    return model;
}

}  // namespace

class Screen {
  public:
    Screen() {
        ChooseUtf8Locale();
        // newterm, not initscr: it answers null on failure instead of ending the program.
        screen_ = newterm(nullptr, stdout, stdin);
        if (screen_ == nullptr) return;
        set_term(screen_);
        cbreak();
        noecho();
        nonl();
        keypad(stdscr, TRUE);
        set_escdelay(25);
        curs_set(0);
        SetUpColors();
    }
    ~Screen() {
        if (screen_ == nullptr) return;
        endwin();
        delscreen(screen_);
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    bool ready() const { return screen_ != nullptr; }

  private:
    SCREEN* screen_ = nullptr;
};

bool OnTerminal() {
    return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
}

std::unique_ptr<TerminalFrontEnd> TerminalFrontEnd::Open(const InstallLog& log, std::ostream& out) {
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0) return nullptr;
    auto screen = std::make_unique<Screen>();
    if (!screen->ready()) return nullptr;
    return std::unique_ptr<TerminalFrontEnd>(new TerminalFrontEnd(std::move(screen), log, out));
}

TerminalFrontEnd::TerminalFrontEnd(std::unique_ptr<Screen> screen, const InstallLog& log,
                                   std::ostream& out)
    : screen_(std::move(screen)), log_(log), out_(out) {}

TerminalFrontEnd::~TerminalFrontEnd() = default;

void TerminalFrontEnd::paint(bool working) const {
    Paint(LayoutScreen(Model(*flow_, *controller_, log_, working), COLS, LINES));
}

void TerminalFrontEnd::waitStarted(FlowWait) {
    if (flow_ != nullptr && controller_ != nullptr) paint(true);
}

// What the screen leaves behind once it is gone.
void TerminalFrontEnd::printOutcome() const {
    if (!outcome_ || !outcome_->wentOn) {
        out_ << "The installation did not go on: the user stayed on the pane or quit.\n";
        return;
    }
    out_ << "The pane let the installation go on.\n";
    if (outcome_->handoff)
        out_ << "Handoff list: " << PrintableText(outcome_->handoff->path, false) << "\n";
}

void TerminalFrontEnd::walk(InstallFlow& flow) {
    const StandardErrorAside aside(log_.path());
    UiController controller(flow);
    flow_ = &flow;
    controller_ = &controller;
    // Input that keeps failing (the terminal went away) ends the run as a quit would.
    constexpr int kMaxFailedReads = 100;
    int failedReads = 0;
    while (!controller.finished()) {
        paint(false);
        const int key = getch();
        if (key == ERR) {
            if (++failedReads >= kMaxFailedReads) flow.quit();
            continue;
        }
        failedReads = 0;
        controller.handle(Translate(key));
    }
    flow_ = nullptr;
    controller_ = nullptr;
}

int TerminalFrontEnd::run(InstallFlow& flow) {
    if (!screen_) return flow.exitCode();  // The screen went with the first run.
    walk(flow);
    screen_.reset();
    printOutcome();
    return flow.exitCode();
}

}  // namespace installer
