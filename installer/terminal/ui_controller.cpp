#include "installer/terminal/ui_controller.h"

#include "installer/words/words.h"

namespace installer {
namespace {

bool IsEnter(KeyPress key) {
    return key.key == Key::Enter;
}

bool IsChar(KeyPress key, char c) {
    return key.key == Key::Char && key.ch == c;
}

std::string Say(std::string_view key) {
    return Words::ForUser().text(key);
}

// Farther up than any log can reach; the layout stops at its oldest line.
constexpr std::size_t kLogTop = static_cast<std::size_t>(-1) / 2;
// More rows than any pane lists: Home and End move to the first and the last.
constexpr long kFarther = 1L << 40;

}  // namespace

void UiController::say(std::string text, bool warning) {
    state_.status = std::move(text);
    state_.statusIsWarning = warning;
}

void UiController::setView(std::size_t scroll, int pageRows) {
    state_.scroll = scroll;
    pageRows_ = pageRows > 0 ? pageRows : 1;
}

void UiController::handle(KeyPress key) {
    if (key.key == Key::Resize) return;  // The next frame is laid out for the new size.
    switch (state_.overlay) {
        case Overlay::Log:
            handleLogKeys(key);
            return;
        case Overlay::QuitConfirm:
            handleQuitKeys(key);
            return;
        case Overlay::None:
            break;
    }
    if (flow_.state().sheetShown()) {
        handleSheetKeys(key);
        return;
    }
    handlePaneKeys(key);
}

void UiController::handleSheetKeys(KeyPress key) {
    // The sheet is modal: its one button (Enter), and the log, are all that work.
    if (IsEnter(key)) {
        flow_.dismissSheet();
        say({}, false);
        return;
    }
    if (IsChar(key, 'l')) {
        state_.overlay = Overlay::Log;
        state_.logScroll = 0;
        return;
    }
    say(Say("status.close_message_first"), true);
}

void UiController::handlePaneKeys(KeyPress key) {
    const long page = pageRows_;
    switch (key.key) {
        case Key::Up:
            return moveSelection(-1);
        case Key::Down:
            return moveSelection(1);
        case Key::PageUp:
            return moveSelection(-page);
        case Key::PageDown:
            return moveSelection(page);
        case Key::Home:
            return moveSelection(-kFarther);
        case Key::End:
            return moveSelection(kFarther);
        default:
            break;
    }
    if (IsEnter(key) || IsChar(key, 'c')) return next();
    if (IsChar(key, 'b')) return back();
    if (IsChar(key, 'd') && toggleDetails()) return;
    if (IsChar(key, 'l')) {
        state_.overlay = Overlay::Log;
        state_.logScroll = 0;
        return;
    }
    if (IsChar(key, 'q')) {
        if (flow_.state().continueAction == ContinueAction::Finish) {
            // The pane has already let the installation go on: quitting here is finishing.
            flow_.quit();
            return;
        }
        state_.overlay = Overlay::QuitConfirm;
        return;
    }
}

void UiController::handleFilterKeys(KeyPress key) {
    switch (key.key) {
        case Key::Enter:
            state_.filtering = false;
            return;
        case Key::Escape:
            state_.filtering = false;
            state_.logFilter.clear();
            return;
        case Key::Backspace:
            if (!state_.logFilter.empty()) state_.logFilter.pop_back();
            return;
        case Key::Char:
            if (key.ch >= ' ') state_.logFilter += key.ch;
            state_.logScroll = 0;
            return;
        default:
            return;
    }
}

void UiController::handleLogKeys(KeyPress key) {
    if (state_.filtering) return handleFilterKeys(key);
    const auto page = static_cast<std::size_t>(pageRows_);
    switch (key.key) {
        case Key::Up:
            ++state_.logScroll;
            return;
        case Key::Down:
            if (state_.logScroll > 0) --state_.logScroll;
            return;
        case Key::PageUp:
            state_.logScroll += page;
            return;
        case Key::PageDown:
            state_.logScroll = state_.logScroll > page ? state_.logScroll - page : 0;
            return;
        case Key::Home:
            state_.logScroll = kLogTop;
            return;
        case Key::End:
            state_.logScroll = 0;
            return;
        case Key::Escape:
            // Esc clears a filter first, then closes the log.
            if (!state_.logFilter.empty()) {
                state_.logFilter.clear();
                return;
            }
            state_.overlay = Overlay::None;
            return;
        case Key::Char:
            if (key.ch == '/') {
                state_.filtering = true;
                state_.logFilter.clear();
                return;
            }
            if (key.ch == 'l' || key.ch == 'q') {
                state_.overlay = Overlay::None;
                state_.logFilter.clear();
            }
            return;
        default:
            return;
    }
}

void UiController::handleQuitKeys(KeyPress key) {
    if (IsChar(key, 'y') || IsChar(key, 'Y') || IsChar(key, 'q')) {
        flow_.quit();
        state_.overlay = Overlay::None;
        return;
    }
    if (IsChar(key, 'n') || IsChar(key, 'N') || key.key == Key::Escape || IsEnter(key)) {
        state_.overlay = Overlay::None;
    }
}

// Only the summary after an install has the details view.
bool UiController::toggleDetails() {
    const FlowState state = flow_.state();
    if (state.step != FlowStep::Summary || !state.install) return false;
    state_.details = !state_.details;
    state_.scroll = 0;
    return true;
}

void UiController::moveSelection(long delta) {
    const FlowState state = flow_.state();
    if (state.step != FlowStep::Pane) {
        // Other steps scroll their text when it does not fit; the layout stops at its end.
        if (delta < 0) {
            const auto up = static_cast<std::size_t>(-delta);
            state_.scroll = state_.scroll > up ? state_.scroll - up : 0;
        } else {
            state_.scroll += static_cast<std::size_t>(delta);
        }
        return;
    }
    const PaneView& view = state.pane;
    if (view.rows.empty()) return;
    const long last = static_cast<long>(view.rows.size()) - 1;
    long row = 0;
    if (const auto selected = view.selectedIndex()) {
        row = static_cast<long>(*selected) + delta;
        row = row < 0 ? 0 : (row > last ? last : row);
    }
    flow_.selectRow(static_cast<std::size_t>(row));
    say({}, false);
}

void UiController::next() {
    report(flow_.next());
}

void UiController::back() {
    const FlowState state = flow_.state();
    if (state.step == FlowStep::Introduction) {
        say(Say("status.nothing_before"), true);
        return;
    }
    if (state.backAction == BackAction::None) return report(FlowAnswer::Ignored);
    report(flow_.back());
}

void UiController::report(FlowAnswer answer) {
    switch (answer) {
        case FlowAnswer::Done:
        case FlowAnswer::Ignored:
        case FlowAnswer::PaneStopped:  // The run is over; its end says why.
            say({}, false);
            return;
        case FlowAnswer::ContinueDisabled:
            say(Say("status.continue_disabled"), true);
            return;
        case FlowAnswer::SheetOpen:
            say(Say("status.close_message_first"), true);
            return;
        case FlowAnswer::PaneRefused:
            // A sheet, if the pane showed one, says why.
            say(flow_.state().pane.sheet ? "" : Say("status.pane_refused"), true);
            return;
    }
}

}  // namespace installer
