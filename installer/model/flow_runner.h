// The one thread the flow's requests run on while a front end draws. The pane's callbacks (its
// search for copies, its report post, the install) may take seconds, so no front end calls the
// flow from its drawing thread: it posts each request here. Requests run one at a time, in the
// order posted; after each, `done` is called on the runner's thread with the flow's answer
// and its state right after the request. `done` is the front end's own function: it carries
// the result over to its drawing thread if it needs to (the window re-posts it onto Qt's
// thread), as a user driver's reply would be. The flow's calls to its front end come from
// this thread too, before `done`.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "installer/model/install_flow.h"

namespace installer {

class FlowRunner {
  public:
    using Request = std::function<FlowAnswer(InstallFlow&)>;
    using Done = std::function<void(FlowAnswer, const FlowState&)>;

    // Starts the thread; `flow` must outlive the runner.
    explicit FlowRunner(InstallFlow& flow);
    // Lets the request under way finish, drops the ones still waiting, and ends the thread.
    ~FlowRunner();
    FlowRunner(const FlowRunner&) = delete;
    FlowRunner& operator=(const FlowRunner&) = delete;

    // Queues `request`; `done`, when given, hears its answer and the flow's state after it, on
    // the runner's thread.
    void post(Request request, Done done = {});
    // Whether a request runs or waits to run.
    bool busy() const;
    // Waits up to `limit` until no request runs or waits; answers whether none does.
    bool waitIdle(std::chrono::milliseconds limit);

  private:
    struct Job {
        Request request;
        Done done;
    };
    void loop();

    InstallFlow& flow_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;  // Last: it starts once everything it reads is made.
};

}  // namespace installer
