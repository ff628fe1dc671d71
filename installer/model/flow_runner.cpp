#include "installer/model/flow_runner.h"

#include <utility>

#include "installer/model/model_room.h"  // Last: see there.

namespace installer {

FlowRunner::FlowRunner(InstallFlow& flow) : flow_(flow), thread_([this] { loop(); }) {}

FlowRunner::~FlowRunner() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

void FlowRunner::post(Request request, Done done) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        jobs_.push_back({std::move(request), std::move(done)});
    }
    changed_.notify_all();
}

bool FlowRunner::busy() const {
    const std::lock_guard lock(mutex_);
    return running_ || !jobs_.empty();
}

bool FlowRunner::waitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return !running_ && jobs_.empty(); });
}

void FlowRunner::loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_) return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        const FlowAnswer answer = job.request(flow_);
        if (job.done) job.done(answer, flow_.state());
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace installer
