// Digests of staged files taken on two threads of their own while the next files are copied,
// so a big pack's hashing and copying share the machine's cores instead of taking turns. A
// few files wait at most; adding more waits for a free place.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace installer {

struct QueuedDigest {
    std::size_t slot = 0;  // What the caller gave with the file.
    bool read = false;     // False when the file could not be read or closed (then `error`).
    int error = 0;
    std::uint64_t bytes = 0;
    std::string sha256;
};

class DigestQueue {
  public:
    DigestQueue() = default;
    ~DigestQueue();
    DigestQueue(const DigestQueue&) = delete;
    DigestQueue& operator=(const DigestQueue&) = delete;

    // Queues the digest of the open file `fd` (read from its start), which the queue closes
    // when done. Waits while the queue is full.
    void add(std::size_t slot, int fd);
    // Waits at most `timeout` for the queue to have room; whether it has.
    bool hasRoom(std::chrono::milliseconds timeout);
    // Waits at most `timeout` for every digest queued to be taken; whether they all are.
    bool drained(std::chrono::milliseconds timeout);
    // Waits for every digest queued; the answers by slot, lowest first.
    std::vector<QueuedDigest> finish();

  private:
    struct Job {
        std::size_t slot;
        int fd;
    };
    void work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> waiting_;
    std::size_t running_ = 0;
    std::vector<QueuedDigest> done_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace installer
