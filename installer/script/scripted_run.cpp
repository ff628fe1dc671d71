#include "installer/script/scripted_run.h"

namespace installer {
namespace {

constexpr int kExitBadUsage = 2;

ScriptEvent Event(ScriptEvent::Kind kind) {
    ScriptEvent event;
    event.kind = kind;
    return event;
}

void Record(InstallFlow& flow, ScriptTranscript& script, ScriptEvent event) {
    event.view = flow.paneView();
    script.events.push_back(std::move(event));
}

// The row number the request names, or nothing with the reason in `error`.
std::optional<std::size_t> RowToChoose(const PaneView& view, const ScriptRequest& request,
                                       std::string& error) {
    if (request.chooseTag) {
        for (std::size_t i = 0; i < view.rows.size(); ++i) {
            if (view.rows[i].tag >= 0 &&
                static_cast<std::size_t>(view.rows[i].tag) == *request.chooseTag) {
                return i;
            }
        }
        error = "the pane has no row with tag " + std::to_string(*request.chooseTag);
        return std::nullopt;
    }
    if (request.chooseTitle) {
        for (std::size_t i = 0; i < view.rows.size(); ++i) {
            if (view.rows[i].title == *request.chooseTitle) return i;
        }
        error = "the pane has no row titled \"" + *request.chooseTitle + "\"";
        return std::nullopt;
    }
    // Nothing asked: the row the pane has selected, else the first one, if any.
    if (const auto selected = view.selectedIndex()) return selected;
    if (!view.rows.empty()) return 0;
    return std::nullopt;
}

// Asks to leave the pane (`leave` is the flow's next or back) and records the answer.
void Leave(InstallFlow& flow, ScriptTranscript& script, ScriptEvent::Kind kind,
           FlowAnswer (InstallFlow::*leave)()) {
    script.paneBeforeExit = flow.paneView();
    ScriptEvent event = Event(kind);
    event.answer = (flow.*leave)();
    event.exit = flow.lastExit();
    script.exit = flow.lastExit();
    Record(flow, script, std::move(event));
}

void Continue(InstallFlow& flow, ScriptTranscript& script) {
    Leave(flow, script, ScriptEvent::Kind::Continued, &InstallFlow::next);
    if (flow.step() == FlowStep::Pane && flow.paneView().sheet) {
        // The person presses the sheet's only button.
        flow.dismissSheet();
        Record(flow, script, Event(ScriptEvent::Kind::DismissedSheet));
    }
    if (flow.step() == FlowStep::Summary) {
        script.handoff = flow.handoff();
        flow.next();
    }
}

bool GoBack(InstallFlow& flow, ScriptTranscript& script) {
    Leave(flow, script, ScriptEvent::Kind::WentBack, &InstallFlow::back);
    return flow.step() == FlowStep::Introduction;
}

void Enter(InstallFlow& flow, ScriptTranscript& script) {
    flow.next();
    Record(flow, script, Event(ScriptEvent::Kind::Entered));
    script.paneBeforeExit = flow.paneView();
}

}  // namespace

ScriptTranscript RunScript(InstallFlow& flow, const ScriptRequest& request) {
    ScriptTranscript script;
    Enter(flow, script);
    const bool choose = request.chooseTag || request.chooseTitle;
    if (request.back) {
        const bool leftPane = GoBack(flow, script);
        if (!choose) {
            script.entries = flow.entries();
            script.exitCode = flow.exitCode();
            return script;
        }
        // Coming back to the pane from the introduction enters it anew.
        if (leftPane) Enter(flow, script);
    }
    std::string error;
    const auto row = RowToChoose(flow.paneView(), request, error);
    if (!error.empty()) {
        script.error = error;
        script.entries = flow.entries();
        script.exitCode = kExitBadUsage;
        return script;
    }
    if (row) {
        ScriptEvent event = Event(ScriptEvent::Kind::Chose);
        event.answer = flow.selectRow(*row);
        event.row = flow.paneView().rows[*row];
        Record(flow, script, std::move(event));
    }
    Continue(flow, script);
    script.entries = flow.entries();
    script.exitCode = flow.exitCode();
    return script;
}

}  // namespace installer
