// The window's side of the flow's runner (model/flow_runner.h): each request runs there, and
// its answer, with what the flow holds right after it, comes back to the window on the
// interface thread.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <functional>
#include <optional>

#include "installer/model/flow_runner.h"
#include "installer/model/install_flow.h"

class QObject;

namespace installer {

// What the flow holds right after a request, read on the runner's thread so the window never
// reads the flow while it runs.
struct FlowSnapshot {
    FlowAnswer answer = FlowAnswer::Ignored;
    FlowStep step = FlowStep::Introduction;
    std::optional<HandoffList> handoff;
    std::optional<PaneExit> lastExit;
    std::optional<InstallReport> install;  // Once the install step ran.
};

class FlowWorker {
  public:
    using Request = FlowRunner::Request;
    using Done = std::function<void(const FlowSnapshot&)>;

    // `flow` must outlive the worker.
    explicit FlowWorker(InstallFlow& flow) : runner_(flow) {}

    // Runs `request` on the runner, then `done` on the thread of `receiver` (queued after
    // every front-end call the request made). `receiver` must outlive the worker.
    void post(Request request, QObject* receiver, Done done);

  private:
    FlowRunner runner_;  // Last: it goes first, letting the request under way finish.
};

}  // namespace installer
