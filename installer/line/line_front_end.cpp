#include "installer/line/line_front_end.h"

#include <charconv>

#include "installer/present/flow_words.h"
#include "installer/present/install_texts.h"
#include "installer/text/text_wrap.h"
#include "installer/words/words.h"

namespace installer {
namespace {

const Words& W() {
    return Words::ForUser();
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<std::size_t> Number(const std::string& text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

}  // namespace

std::optional<std::string> LineFrontEnd::ask(const std::string& prompt) {
    out_ << prompt << std::flush;
    std::string line;
    if (!std::getline(in_, line)) {
        out_ << "\n";
        return std::nullopt;
    }
    return Trimmed(line);
}

// A line when a wait starts, and during the install a line per tenth of the copy.
void LineFrontEnd::shown(const FlowState& state) {
    if (state.wait && state.wait != waiting_) {
        if (*state.wait == FlowWait::Installing) tenthsTold_ = -1;
        out_ << WaitSentence(*state.wait) << std::endl;
    }
    waiting_ = state.wait;
    if (state.step != FlowStep::Install || !state.progress) return;
    const InstallProgress& progress = *state.progress;
    const int tenths = InstallProgressTenths(progress);
    while (tenthsTold_ < tenths) {
        ++tenthsTold_;
        out_ << tenthsTold_ * 10 << "%  " << InstallProgressText(progress) << std::endl;
    }
}

bool LineFrontEnd::confirm(const std::string& question) {
    const auto answer =
        ask(W().text("install.ask.line", {{"question", PrintableText(question, false)}}));
    return answer && (*answer == "y" || *answer == "Y" || *answer == "yes");
}

void LineFrontEnd::introduction(InstallFlow& flow) {
    const FlowState state = flow.state();
    out_ << W().text("intro.welcome", {{"pack", PrintableText(state.packTitle, false)}})
         << "\n\n";
    if (const auto signature = SignatureLine(state.signature)) {
        out_ << PrintableText(*signature, false) << "\n\n";
    }
    out_ << W().text("intro.body") << "\n"
         << W().text("intro.report") << "\n"
         << W().text(state.installPlanned ? "install.intro_will" : "install.intro_bundle")
         << "\n\n";
    const auto answer = ask(W().text("line.continue"));
    if (!answer || *answer == "q") return flow.quit();
    flow.next();
}

void LineFrontEnd::printPane(const PaneView& view) {
    out_ << "\n" << PrintableText(view.title, false) << "\n\n";
    out_ << PrintableText(view.label, true) << "\n\n";
    for (std::size_t i = 0; i < view.rows.size(); ++i) {
        out_ << "  " << i << ") " << PrintableText(view.rows[i].title, false) << "\n";
    }
    if (!view.rows.empty()) out_ << "\n";
}

void LineFrontEnd::pane(InstallFlow& flow) {
    const PaneView view = flow.state().pane;
    if (view.sheet) {
        out_ << PrintableText(view.sheet->message, true) << "\n";
        const auto answer =
            ask(W().text("line.sheet", {{"button", PrintableText(view.sheet->defaultButton, false)}}));
        if (!answer) return flow.quit();
        flow.dismissSheet();
        return;
    }
    printPane(view);
    const std::string last = view.rows.empty() ? "0" : std::to_string(view.rows.size() - 1);
    const std::string chosen = std::to_string(view.selectedIndex().value_or(0));
    const std::string prompt =
        view.rows.empty()
            ? W().text("line.no_rows")
            : W().text("line.choose", {{"first", "0"}, {"last", last}, {"default", chosen}});
    for (;;) {
        const auto answer = ask(prompt);
        if (!answer || *answer == "q") return flow.quit();
        if (*answer == "b") {
            flow.back();
            return;
        }
        if (view.rows.empty()) continue;
        const auto row = answer->empty() ? view.selectedIndex().value_or(0) : Number(*answer);
        if (!row || *row >= view.rows.size()) {
            out_ << W().text("line.bad_choice", {{"first", "0"}, {"last", last}}) << "\n";
            continue;
        }
        flow.selectRow(*row);
        const FlowAnswer result = flow.next();
        if (result == FlowAnswer::ContinueDisabled) out_ << W().text("status.continue_disabled") << "\n";
        if (result == FlowAnswer::PaneRefused && !flow.state().pane.sheet) {
            out_ << W().text("status.pane_refused") << "\n";
        }
        return;
    }
}

void LineFrontEnd::summary(InstallFlow& flow) {
    out_ << "\n" << W().text("step.summary") << "\n";
    const FlowState state = flow.state();
    if (const auto& install = state.install) {
        out_ << PrintableText(InstallSentence(*install), false) << "\n";
        for (const std::string& line : InstallAfterwords(*install)) {
            out_ << PrintableText(line, false) << "\n";
        }
    } else if (const auto& handoff = state.handoff) {
        out_ << W().text("summary.went_on") << "\n  " << PrintableText(handoff->path, false)
             << "\n";
        if (handoff->values) {
            for (const HandoffField& field : kHandoffFields) {
                const auto& value = (*handoff->values).*field.value;
                out_ << "  " << field.key << ": "
                     << PrintableText(value ? *value : W().text("summary.missing"), false) << "\n";
            }
        }
    }
    const auto answer = ask(W().text("line.finish"));
    if (answer && *answer == "b") {
        flow.back();
        return;
    }
    flow.next();  // Here the pane has let the installation go on: the end of input finishes.
}

int LineFrontEnd::run(InstallFlow& flow) {
    while (flow.step() != FlowStep::Finished) {
        switch (flow.step()) {
            case FlowStep::Introduction:
                introduction(flow);
                break;
            case FlowStep::Pane:
                pane(flow);
                break;
            case FlowStep::Install:
                // The install step runs by itself; a flow that waits here cannot go on.
                if (flow.next() == FlowAnswer::Ignored) flow.quit();
                break;
            case FlowStep::Summary:
                summary(flow);
                break;
            case FlowStep::Finished:
                break;
        }
    }
    const FlowOutcome outcome = flow.state().outcome.value_or(FlowOutcome{});
    if (outcome.paneStopped) {
        out_ << PrintableText(*outcome.paneStopped, false) << "\n";
        return outcome.exitCode;
    }
    out_ << W().text(outcome.wentOn ? "outcome.went_on" : "outcome.stayed") << "\n";
    return outcome.exitCode;
}

}  // namespace installer
