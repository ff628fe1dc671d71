#include "inbox/store/group_commit.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace inbox {
namespace {

// A transaction no bigger than this keeps one slow commit from holding many callers.
constexpr std::size_t kMaxGroup = 512;

}  // namespace

struct GroupCommit::Waiter {
    Arrival arrival;
    bool done = false;
    bool stored = false;
};

GroupCommit::GroupCommit(std::unique_ptr<ReportStore> store)
    : store_(std::move(store)), thread_([this] { Run(); }) {}

GroupCommit::~GroupCommit() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    thread_.join();
}

bool GroupCommit::Store(Arrival arrival) {
    auto waiter = std::make_shared<Waiter>();
    waiter->arrival = std::move(arrival);
    std::unique_lock lock(mutex_);
    if (stopping_) return false;
    pending_.push_back(waiter);
    work_.notify_all();
    work_.wait(lock, [&] { return waiter->done; });
    return waiter->stored;
}

void GroupCommit::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [&] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) return;  // stopping with nothing left
        std::vector<std::shared_ptr<Waiter>> group;
        while (!pending_.empty() && group.size() < kMaxGroup) {
            group.push_back(std::move(pending_.front()));
            pending_.pop_front();
        }
        lock.unlock();
        std::vector<Arrival> arrivals;
        arrivals.reserve(group.size());
        for (const auto& waiter : group) arrivals.push_back(waiter->arrival);
        const bool stored = store_->Append(arrivals);
        if (!stored) std::fprintf(stderr, "packgate-inbox: store failed: %s\n", store_->error().c_str());
        lock.lock();
        for (const auto& waiter : group) {
            waiter->stored = stored;
            waiter->done = true;
        }
        work_.notify_all();
    }
}

}  // namespace inbox
