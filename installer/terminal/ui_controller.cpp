#include "installer/terminal/ui_controller.h"

namespace installer {
namespace {

bool IsEnter(KeyPress key) {
    return key.key == Key::Enter;
}

bool IsChar(KeyPress key, char c) {
    return key.key == Key::Char && key.ch == c;
}

}  // namespace

void UiController::say(std::string text, bool warning) {
    state_.status = std::move(text);
    state_.statusIsWarning = warning;
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
    if (flow_.step() == FlowStep::Pane && flow_.paneView().sheet) {
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
    say("Press Enter to close the message first.", true);
}

void UiController::handlePaneKeys(KeyPress key) {
    if (key.key == Key::Up) return moveSelection(-1);
    if (key.key == Key::Down) return moveSelection(1);
    if (IsEnter(key) || IsChar(key, 'c')) return next();
    if (IsChar(key, 'b')) return back();
    if (IsChar(key, 'l')) {
        state_.overlay = Overlay::Log;
        state_.logScroll = 0;
        return;
    }
    if (IsChar(key, 'q')) {
        if (flow_.step() == FlowStep::Summary) {
            // The pane has already let the installation go on: quitting here is finishing.
            flow_.quit();
            return;
        }
        state_.overlay = Overlay::QuitConfirm;
        return;
    }
}

void UiController::handleLogKeys(KeyPress key) {
    switch (key.key) {
        case Key::Up:
            ++state_.logScroll;
            return;
        case Key::Down:
            if (state_.logScroll > 0) --state_.logScroll;
            return;
        case Key::PageUp:
            state_.logScroll += 10;
            return;
        case Key::PageDown:
            state_.logScroll = state_.logScroll > 10 ? state_.logScroll - 10 : 0;
            return;
        case Key::Home:
            state_.logScroll = static_cast<std::size_t>(-1) / 2;
            return;
        case Key::End:
            state_.logScroll = 0;
            return;
        case Key::Escape:
            state_.overlay = Overlay::None;
            return;
        case Key::Char:
            if (key.ch == 'l' || key.ch == 'q') state_.overlay = Overlay::None;
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

void UiController::moveSelection(int delta) {
    if (flow_.step() != FlowStep::Pane) return;
    const PaneView view = flow_.paneView();
    if (view.rows.empty()) return;
    const std::size_t last = view.rows.size() - 1;
    std::size_t row = 0;
    if (const auto selected = view.selectedIndex()) {
        row = *selected;
        if (delta < 0 && row > 0) --row;
        if (delta > 0 && row < last) ++row;
    }
    flow_.selectRow(row);
    say({}, false);
}

void UiController::next() {
    report(flow_.next());
}

void UiController::back() {
    if (flow_.step() == FlowStep::Introduction) {
        say("This is the first step: there is nothing to go back to.", true);
        return;
    }
    report(flow_.back());
}

void UiController::report(FlowAnswer answer) {
    switch (answer) {
        case FlowAnswer::Done:
        case FlowAnswer::Ignored:
            say({}, false);
            return;
        case FlowAnswer::ContinueDisabled:
            say("Continue is disabled on this step.", true);
            return;
        case FlowAnswer::SheetOpen:
            say("Press Enter to close the message first.", true);
            return;
        case FlowAnswer::PaneRefused:
            // A sheet, if the pane showed one, says why.
            say(flow_.paneView().sheet ? "" : "The pane did not let you leave this step.", true);
            return;
    }
}

}  // namespace installer
