// Group commit: requests that arrive while a commit is under way wait together and go into
// the database in the next single transaction, so one disk flush acknowledges many reports.
// A caller of Store() gets its answer only after its transaction has committed.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "inbox/store/report_store.h"

namespace inbox {

class GroupCommit {
  public:
    // Takes the store that the committing thread alone uses from now on.
    explicit GroupCommit(std::unique_ptr<ReportStore> store);
    // Commits what is waiting, then stops.
    ~GroupCommit();
    GroupCommit(const GroupCommit&) = delete;
    GroupCommit& operator=(const GroupCommit&) = delete;

    // Stores `arrival`; true once it is durable, false when its transaction failed.
    bool Store(Arrival arrival);

  private:
    struct Waiter;
    void Run();

    std::unique_ptr<ReportStore> store_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::deque<std::shared_ptr<Waiter>> pending_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace inbox
