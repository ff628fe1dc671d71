// The scripted front end, for runs without a person at a terminal: enter the pane, do what
// the command line asked (go back, choose a row, continue), dismiss a sheet the pane shows,
// record each step as the flow tells of it, and print the report (scripted_report.h).
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>

#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"
#include "installer/script/script_transcript.h"
#include "installer/script/scripted_report.h"

namespace installer {

struct ScriptRequest {
    std::optional<std::size_t> chooseTag;    // --choose
    std::optional<std::string> chooseTitle;  // --choose-title
    bool back = false;                       // --back
};

// Where the report goes: the text or JSON report to `out`; a request that cannot be carried
// out also as one line on `err`, after `errorPrefix`.
struct ScriptOutput {
    bool json = false;
    std::ostream& out;
    std::ostream& err;
    std::string errorPrefix;
};

class ScriptFrontEnd final : public FrontEnd {
  public:
    ScriptFrontEnd(ScriptRequest request, ReportContext context, ScriptOutput output);

    // Walks the request, prints the report, and answers its exit code: the flow's, or 2 when
    // the request named a row the pane does not have.
    int run(InstallFlow& flow) override;

    void stepShown(FlowStep) override {}
    void paneShown(const PaneView& pane) override { shown_ = pane; }
    // The sheet is in the pane's view as well; the walk presses its button.
    void sheetShown(const appkit::Sheet&) override {}
    // Nobody watches a script wait.
    void waitStarted(FlowWait) override {}
    void waitEnded(FlowWait) override {}
    // One line per tenth of the bytes copied.
    void installProgress(const InstallProgress& progress) override;
    void finished(const FlowOutcome& outcome) override { outcome_ = outcome; }

    // The record of the last run.
    const ScriptTranscript& transcript() const { return script_; }

  private:
    void walk(InstallFlow& flow);
    void enter(InstallFlow& flow);
    void record(ScriptEvent event);
    void leave(InstallFlow& flow, ScriptEvent::Kind kind, FlowAnswer (InstallFlow::*request)());
    void goOn(InstallFlow& flow);
    void choose(InstallFlow& flow);

    ScriptRequest request_;
    ReportContext context_;
    ScriptOutput output_;
    ScriptTranscript script_;
    PaneView shown_;
    std::optional<FlowOutcome> outcome_;
    int tenthsTold_ = -1;
};

}  // namespace installer
