#include "installer/script/script_front_end.h"

#include "installer/model/exit_code.h"
#include "installer/present/install_texts.h"
#include "installer/words/words.h"

namespace installer {
namespace {

ScriptStep Step(ScriptStep::Kind kind) {
    ScriptStep step;
    step.kind = kind;
    return step;
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

// Each request is kept with the flow as it left it.
void ScriptFrontEnd::record(const InstallFlow& flow, ScriptStep step) {
    step.after = flow.state();
    script_.steps.push_back(std::move(step));
}

void ScriptFrontEnd::enter(InstallFlow& flow) {
    flow.next();
    record(flow, Step(ScriptStep::Kind::Entered));
    script_.beforeExit = script_.steps.back().after;
}

// Asks to leave the pane (`request` is the flow's next or back) and records the answer.
void ScriptFrontEnd::leave(InstallFlow& flow, ScriptStep::Kind kind,
                           FlowAnswer (InstallFlow::*request)()) {
    script_.beforeExit = flow.state();
    ScriptStep step = Step(kind);
    step.answer = (flow.*request)();
    record(flow, std::move(step));
}

void ScriptFrontEnd::goOn(InstallFlow& flow) {
    leave(flow, ScriptStep::Kind::Continued, &InstallFlow::next);
    if (script_.steps.back().after.sheetShown()) {
        // The person presses the sheet's only button.
        flow.dismissSheet();
        record(flow, Step(ScriptStep::Kind::DismissedSheet));
    }
    // On the summary, Continue finishes.
    if (flow.state().continueAction == ContinueAction::Finish) flow.next();
}

void ScriptFrontEnd::choose(InstallFlow& flow) {
    std::string error;
    const PaneView pane = flow.state().pane;
    const auto row = RowToChoose(pane, request_, error);
    if (!error.empty()) {
        script_.error = error;
        return;
    }
    if (row) {
        ScriptStep step = Step(ScriptStep::Kind::Chose);
        step.answer = flow.selectRow(*row);
        step.row = pane.rows[*row];
        record(flow, std::move(step));
    }
    goOn(flow);
}

void ScriptFrontEnd::walk(InstallFlow& flow) {
    enter(flow);
    const bool chooses = request_.chooseTag || request_.chooseTitle;
    if (request_.back) {
        leave(flow, ScriptStep::Kind::WentBack, &InstallFlow::back);
        if (!chooses) return;
        // Coming back to the pane from the introduction enters it anew.
        if (flow.step() == FlowStep::Introduction) enter(flow);
    }
    choose(flow);
}

void ScriptFrontEnd::shown(const FlowState& state) {
    if (state.step != FlowStep::Install || !state.progress) return;
    const InstallProgress& progress = *state.progress;
    const int tenths = InstallProgressTenths(progress);
    // Each tenth reached gets its line, even when one file carries the count past several.
    while (tenthsTold_ < tenths) {
        ++tenthsTold_;
        script_.progressLines.push_back(std::to_string(tenthsTold_ * 10) + "%  " +
                                        InstallProgressText(progress));
    }
}

int ScriptFrontEnd::run(InstallFlow& flow) {
    script_ = ScriptRun{};
    tenthsTold_ = -1;
    walk(flow);
    // The run ends where the walk stopped.
    flow.quit();
    script_.end = flow.state();
    const FlowOutcome outcome = script_.outcome();
    script_.exitCode = script_.error ? kExitUsage : outcome.exitCode;
    if (outcome.paneStopped) {
        script_.error = outcome.paneStopped;
        script_.exitCode = outcome.exitCode;
    }
    output_.out << (output_.json ? ScriptJsonReport(script_, context_)
                                 : ScriptTextReport(script_, context_));
    if (script_.error) output_.err << output_.errorPrefix << *script_.error << "\n";
    return script_.exitCode;
}

}  // namespace installer
