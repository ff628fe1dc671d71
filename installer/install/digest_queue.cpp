#include "installer/install/digest_queue.h"

#include <algorithm>
#include <cerrno>

#include "installer/install/file_digest.h"
#include "system/posix_calls.h"
#include "installer/install/install_room.h"  // Last: see there.

namespace installer {
namespace {

constexpr std::size_t kMostWaiting = 4;
constexpr int kWorkers = 2;

QueuedDigest DigestOf(std::size_t slot, int fd) {
    QueuedDigest answer;
    answer.slot = slot;
    const auto digest = DigestOfOpenFile(fd);
    answer.error = digest ? 0 : errno;
    if (platform::CloseOnce(fd) != 0 && digest) answer.error = errno;
    if (answer.error != 0) return answer;
    answer.read = true;
    answer.bytes = digest->size;
    answer.sha256 = digest->sha256;
    return answer;
}

}  // namespace

DigestQueue::~DigestQueue() {
    finish();
}

void DigestQueue::add(std::size_t slot, int fd) {
    std::unique_lock lock(mutex_);
    if (workers_.empty()) {
        stopping_ = false;
        for (int i = 0; i < kWorkers; ++i) workers_.emplace_back([this] { work(); });
    }
    changed_.wait(lock, [this] { return waiting_.size() < kMostWaiting; });
    waiting_.push_back({slot, fd});
    changed_.notify_all();
}

void DigestQueue::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        const Job job = waiting_.front();
        waiting_.pop_front();
        ++running_;
        changed_.notify_all();
        lock.unlock();
        QueuedDigest answer = DigestOf(job.slot, job.fd);
        lock.lock();
        --running_;
        done_.push_back(std::move(answer));
        changed_.notify_all();
    }
}

bool DigestQueue::hasRoom(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return waiting_.size() < kMostWaiting; });
}

bool DigestQueue::drained(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return waiting_.empty() && running_ == 0; });
}

std::vector<QueuedDigest> DigestQueue::finish() {
    {
        std::unique_lock lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
    std::vector<QueuedDigest> answers = std::move(done_);
    done_.clear();
    std::sort(answers.begin(), answers.end(),
              [](const QueuedDigest& a, const QueuedDigest& b) { return a.slot < b.slot; });
    return answers;
}

}  // namespace installer
