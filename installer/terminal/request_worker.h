// One thread that runs the flow's requests (and so the pane's callbacks) one at a time, so the
// drawing thread keeps redrawing and following resizes while the pane works. The pane stays
// single-threaded: only this thread calls it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace installer {

class RequestWorker {
  public:
    RequestWorker();
    // Waits for the request that runs, then ends the thread.
    ~RequestWorker();
    RequestWorker(const RequestWorker&) = delete;
    RequestWorker& operator=(const RequestWorker&) = delete;

    // Runs `job` on the worker; false (and nothing runs) while another job runs.
    bool submit(std::function<void()> job);
    bool busy() const;
    // Waits up to `limit` for the running job to end; answers whether none runs.
    bool waitIdle(std::chrono::milliseconds limit);

  private:
    void loop();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace installer
