// The one thread the install flow runs on while a window shows it. The pane's callbacks (its
// search for copies, its feedback post, the install) may take seconds, so the window never
// calls the flow itself: it posts each request here, and the requests run one at a time, in
// the order posted, on this worker thread. The flow's front-end calls come from this thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "installer/model/install_flow.h"

class QObject;
class QThread;

namespace installer {

// What the flow holds right after a request, read on the worker thread so the window never
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
    using Request = std::function<FlowAnswer(InstallFlow&)>;
    using Done = std::function<void(const FlowSnapshot&)>;

    // Starts the thread; `flow` must outlive the worker.
    explicit FlowWorker(InstallFlow& flow);
    // Lets the request under way finish, drops the ones still waiting, and joins the thread.
    ~FlowWorker();
    FlowWorker(const FlowWorker&) = delete;
    FlowWorker& operator=(const FlowWorker&) = delete;

    // Runs `request` on the worker thread, then `done` on the thread of `receiver` (queued
    // after every front-end call the request made). `receiver` must outlive the worker.
    void post(Request request, QObject* receiver, Done done);

  private:
    InstallFlow& flow_;
    std::unique_ptr<QThread> thread_;
    std::unique_ptr<QObject> context_;  // Lives on the worker thread; requests are its events.
};

}  // namespace installer
