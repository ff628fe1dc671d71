// The scripted front end, for runs without a person at a terminal: enter the pane, do what
// the command line asked (go back, choose a row, continue), dismiss a sheet the pane shows,
// record each request with the flow's state after it, and print the report
// (scripted_report.h).
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>

#include "installer/model/front_end.h"
#include "installer/model/install_flow.h"
#include "installer/script/script_run.h"
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

    // One line per tenth of the bytes copied, from the states of the install step.
    void shown(const FlowState& state) override;

    // The record of the last run.
    const ScriptRun& record() const { return script_; }

  private:
    void walk(InstallFlow& flow);
    void enter(InstallFlow& flow);
    void record(const InstallFlow& flow, ScriptStep step);
    void leave(InstallFlow& flow, ScriptStep::Kind kind, FlowAnswer (InstallFlow::*request)());
    void goOn(InstallFlow& flow);
    void choose(InstallFlow& flow);

    ScriptRequest request_;
    ReportContext context_;
    ScriptOutput output_;
    ScriptRun script_;
    int tenthsTold_ = -1;
};

}  // namespace installer
