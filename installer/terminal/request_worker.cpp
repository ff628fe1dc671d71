#include "installer/terminal/request_worker.h"

#include <utility>

namespace installer {

RequestWorker::RequestWorker() : thread_([this] { loop(); }) {}

RequestWorker::~RequestWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool RequestWorker::submit(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (running_) return false;
        job_ = std::move(job);
        running_ = true;
    }
    changed_.notify_all();
    return true;
}

bool RequestWorker::busy() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool RequestWorker::waitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return !running_; });
}

void RequestWorker::loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || running_; });
        if (running_) {
            std::function<void()> job = std::move(job_);
            lock.unlock();
            job();
            lock.lock();
            running_ = false;
            changed_.notify_all();
            continue;
        }
        if (stopping_) return;
    }
}

}  // namespace installer
