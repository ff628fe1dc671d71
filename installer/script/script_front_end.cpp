#include "installer/script/script_front_end.h"

#include "installer/model/exit_code.h"
#include "installer/present/install_texts.h"
#include "installer/words/words.h"

namespace installer {
namespace {

ScriptEvent Event(ScriptEvent::Kind kind) {
    ScriptEvent event;
    event.kind = kind;
    return event;
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

}  // namespace

ScriptFrontEnd::ScriptFrontEnd(ScriptRequest request, ReportContext context, ScriptOutput output)
    : request_(std::move(request)), context_(std::move(context)), output_(std::move(output)) {}

// Each event shows the pane as the flow last told of it.
void ScriptFrontEnd::record(ScriptEvent event) {
    event.view = shown_;
    script_.events.push_back(std::move(event));
}

void ScriptFrontEnd::enter(InstallFlow& flow) {
    flow.next();
    record(Event(ScriptEvent::Kind::Entered));
    script_.paneBeforeExit = shown_;
}

// Asks to leave the pane (`request` is the flow's next or back) and records the answer.
void ScriptFrontEnd::leave(InstallFlow& flow, ScriptEvent::Kind kind,
                           FlowAnswer (InstallFlow::*request)()) {
    script_.paneBeforeExit = shown_;
    ScriptEvent event = Event(kind);
    event.answer = (flow.*request)();
    event.exit = flow.lastExit();
    script_.exit = flow.lastExit();
    record(std::move(event));
}

void ScriptFrontEnd::goOn(InstallFlow& flow) {
    leave(flow, ScriptEvent::Kind::Continued, &InstallFlow::next);
    if (flow.step() == FlowStep::Pane && shown_.sheet) {
        // The person presses the sheet's only button.
        flow.dismissSheet();
        record(Event(ScriptEvent::Kind::DismissedSheet));
    }
    // On the summary, Continue finishes.
    if (flow.step() == FlowStep::Summary) flow.next();
}

void ScriptFrontEnd::choose(InstallFlow& flow) {
    std::string error;
    const auto row = RowToChoose(shown_, request_, error);
    if (!error.empty()) {
        script_.error = error;
        return;
    }
    if (row) {
        ScriptEvent event = Event(ScriptEvent::Kind::Chose);
        event.answer = flow.selectRow(*row);
        event.row = shown_.rows[*row];
        record(std::move(event));
    }
    goOn(flow);
}

void ScriptFrontEnd::walk(InstallFlow& flow) {
    enter(flow);
    const bool chooses = request_.chooseTag || request_.chooseTitle;
    if (request_.back) {
        leave(flow, ScriptEvent::Kind::WentBack, &InstallFlow::back);
        if (!chooses) return;
        // Coming back to the pane from the introduction enters it anew.
        if (flow.step() == FlowStep::Introduction) enter(flow);
    }
    choose(flow);
}

void ScriptFrontEnd::installProgress(const InstallProgress& progress) {
    const int tenths = InstallProgressTenths(progress);
    // Each tenth reached gets its line, even when one file carries the count past several.
    while (tenthsTold_ < tenths) {
        ++tenthsTold_;
        script_.progressLines.push_back(std::to_string(tenthsTold_ * 10) + "%  " +
                                        InstallProgressText(progress));
    }
}

int ScriptFrontEnd::run(InstallFlow& flow) {
    script_ = ScriptTranscript{};
    tenthsTold_ = -1;
    outcome_.reset();
    walk(flow);
    // The run ends where the walk stopped.
    flow.quit();
    script_.entries = outcome_->entries;
    script_.handoff = outcome_->handoff;
    script_.install = outcome_->install;
    script_.exitCode = script_.error ? kExitUsage : outcome_->exitCode;
    if (outcome_->paneStopped) {
        script_.error = outcome_->paneStopped;
        script_.exitCode = outcome_->exitCode;
    }
    output_.out << (output_.json ? ScriptJsonReport(script_, context_)
                                 : ScriptTextReport(script_, context_));
    if (script_.error) output_.err << output_.errorPrefix << *script_.error << "\n";
    return script_.exitCode;
}

}  // namespace installer
