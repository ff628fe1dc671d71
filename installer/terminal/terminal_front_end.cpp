#include "installer/terminal/terminal_front_end.h"

#include <curses.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <langinfo.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "installer/model/flow_runner.h"
#include "installer/present/install_texts.h"
#include "installer/process/interrupt_watch.h"
#include "installer/terminal/screen_layout.h"
#include "installer/terminal/ui_controller.h"
#include "installer/text/text_wrap.h"
#include "installer/words/words.h"

namespace installer {
namespace {

enum ColorPair : short { kHeaderPair = 1, kSelectedPair, kWarningPair, kStepPair };

// NO_COLOR set to anything but the empty text turns colours off; bold, dim and reverse stay.
bool UseColors() {
    const char* noColor = std::getenv("NO_COLOR");
    return has_colors() && (noColor == nullptr || *noColor == '\0');
}

void SetUpColors() {
    if (!UseColors()) return;
    start_color();
    use_default_colors();
    init_pair(kHeaderPair, COLOR_WHITE, COLOR_BLUE);
    init_pair(kSelectedPair, COLOR_BLACK, COLOR_CYAN);
    init_pair(kWarningPair, COLOR_RED, -1);
    init_pair(kStepPair, COLOR_BLUE, -1);
}

attr_t Attributes(Style style) {
    const bool colors = UseColors();
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
        case KEY_BACKSPACE:
        case 127:
        case 8:
            return {Key::Backspace};
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

// Whether standard input has gone (hung up, closed): reads would fail from now on.
bool InputGone() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, 0) < 0) return true;
    return (input.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Keys are read with this limit, so a wait's seconds and a resize show without a key.
constexpr int kRedrawMilliseconds = 100;
// A key that starts no wait (a row chosen, the log opened) is drawn at once: the drawing
// thread waits this long for its request before it draws the wait.
constexpr std::chrono::milliseconds kQuickRequest{200};

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
        // A terminal that cannot place the cursor cannot show the screen.
        const char* move = tigetstr(const_cast<char*>("cup"));
        if (move == nullptr || move == reinterpret_cast<char*>(-1)) {
            endwin();
            delscreen(screen_);
            screen_ = nullptr;
        }
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

std::unique_ptr<TerminalFrontEnd> TerminalFrontEnd::Open(const InstallLog& log, std::ostream& out,
                                                        std::vector<std::string> warnings) {
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0) return nullptr;
    auto screen = std::make_unique<Screen>();
    if (!screen->ready()) return nullptr;
    std::unique_ptr<TerminalFrontEnd> frontEnd(new TerminalFrontEnd(std::move(screen), log, out));
    frontEnd->warnings_ = std::move(warnings);
    return frontEnd;
}

TerminalFrontEnd::TerminalFrontEnd(std::unique_ptr<Screen> screen, const InstallLog& log,
                                   std::ostream& out)
    : screen_(std::move(screen)), log_(log), out_(out) {}

TerminalFrontEnd::~TerminalFrontEnd() = default;

void TerminalFrontEnd::shown(const FlowState& state) {
    std::lock_guard lock(mutex_);
    if (state_.wait && !state.wait) waited_ = true;
    if (!state.question) answer_.reset();  // A key pressed after the question went.
    state_ = state;
}

// The state showing the question came first, so the drawing thread may have answered already.
bool TerminalFrontEnd::confirm(const std::string&) {
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [this] { return answer_.has_value(); });
    const bool yes = *answer_;
    answer_.reset();
    return yes;
}

void TerminalFrontEnd::answer(bool yes) {
    {
        std::lock_guard lock(mutex_);
        if (!state_.question || answer_) return;
        answer_ = yes;
    }
    answered_.notify_all();
}

void TerminalFrontEnd::publish(const UiController& controller) {
    std::lock_guard lock(mutex_);
    ui_ = controller.state();
}

ScreenInput TerminalFrontEnd::input(bool& waited) {
    ScreenInput input;
    {
        std::lock_guard lock(mutex_);
        input.flow = state_;
        input.ui = ui_;
        waited = waited_;
        waited_ = false;
    }
    input.warnings = warnings_;
    if (input.ui.overlay == Overlay::Log) input.logEntries = log_.entries();
    input.logPath = log_.path();
    if (input.flow.wait) {
        input.waitSeconds = static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(
                                                 std::chrono::steady_clock::now() -
                                                 input.flow.waitSince)
                                                 .count());
    }
    return input;
}

// What the screen leaves behind once it is gone.
void TerminalFrontEnd::printOutcome() const {
    const Words& words = Words::ForUser();
    const std::optional<FlowOutcome>& outcome = state_.outcome;
    if (outcome && outcome->paneStopped) {
        out_ << PrintableText(*outcome->paneStopped, false) << "\n";
        return;
    }
    if (!outcome || !outcome->wentOn) {
        out_ << words.text("outcome.stayed") << "\n";
        return;
    }
    out_ << words.text("outcome.went_on") << "\n";
    if (outcome->install) out_ << PrintableText(InstallSentence(*outcome->install), false) << "\n";
    if (outcome->handoff) {
        out_ << words.text("outcome.handoff",
                           {{"path", PrintableText(outcome->handoff->path, false)}})
             << "\n";
    }
}

// The drawing thread: draws what the worker published, reads keys, and hands each key the
// person could act on to the worker. Keys typed while the pane works, or while the screen is
// too small to show the step, do nothing.
void TerminalFrontEnd::walk(InstallFlow& flow) {
    const StandardErrorAside aside(log_.path());
    UiController controller(flow);
    flow.readPaneAhead();  // The list of steps names the pane's step by its title.
    shown(flow.state());
    publish(controller);
    DeferInterrupts(true);
    FlowRunner worker(flow);
    timeout(kRedrawMilliseconds);
    // Input that keeps failing (the terminal went away) ends the run as a quit would.
    constexpr int kMaxFailedReads = 100;
    int failedReads = 0;
    for (;;) {
        if (const int signal = PendingInterrupt()) {
            screen_.reset();  // The terminal as it was, before the line is printed.
            out_ << Words::ForUser().text("outcome.interrupted",
                                          {{"signal", InterruptName(signal)}})
                 << std::endl;
            EndInterrupted(signal, false);
        }
        bool waited = false;
        const ScreenInput now = input(waited);
        if (now.flow.outcome && !worker.busy()) break;
        const bool busy = worker.busy() || now.flow.wait.has_value();
        if (waited && !busy) flushinp();  // What was typed during the wait goes.
        const Frame frame = LayoutScreen(now, COLS, LINES);
        Paint(frame);
        const int key = getch();
        if (key == ERR) {
            // No one is left to answer the install step's question: the answer is no.
            if (now.flow.question && InputGone()) answer(false);
            if (InputGone() && ++failedReads >= kMaxFailedReads && !worker.busy()) {
                worker.post([&](InstallFlow& f) {
                    f.quit();
                    publish(controller);
                    return FlowAnswer::Done;
                });
                worker.waitIdle(kQuickRequest);
            }
            continue;
        }
        failedReads = 0;
        const KeyPress press = Translate(key);
        if (now.flow.question) {
            if (press.key == Key::Char && (press.ch == 'y' || press.ch == 'Y')) answer(true);
            if ((press.key == Key::Char && (press.ch == 'n' || press.ch == 'N')) ||
                press.key == Key::Escape) {
                answer(false);
            }
            continue;
        }
        if (press.key == Key::Resize || busy) continue;
        const bool quitKey = press.key == Key::Char && press.ch == 'q';
        if (frame.tooSmall && !quitKey) continue;
        const bool quitNow = frame.tooSmall;
        const std::size_t scroll = frame.scroll;
        const int pageRows = frame.pageRows;
        worker.post([&, press, quitNow, scroll, pageRows](InstallFlow& f) {
            controller.setView(scroll, pageRows);
            if (quitNow) {
                f.quit();  // "press q to quit": the screen is too small to ask first.
            } else {
                controller.handle(press);
            }
            publish(controller);
            return FlowAnswer::Done;
        });
        worker.waitIdle(kQuickRequest);
    }
    DeferInterrupts(false);
}

int TerminalFrontEnd::run(InstallFlow& flow) {
    if (!screen_) return flow.exitCode();  // The screen went with the first run.
    walk(flow);
    screen_.reset();
    printOutcome();
    return flow.exitCode();
}

}  // namespace installer
