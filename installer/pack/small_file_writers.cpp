#include "installer/pack/small_file_writers.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>
#include <utility>

#include "system/posix_calls.h"

namespace installer {
namespace {

// What a waiting file costs besides its bytes (its path, its place in the queue), so that a
// queue of tiny files is bounded as well as one of big ones.
constexpr std::size_t kCostPerFile = 512;

std::size_t CostOf(const std::string& path, const std::vector<char>& bytes) {
    return kCostPerFile + path.size() + bytes.size();
}

// 0, or why the file could not be written whole.
int WriteWhole(int base, const std::string& path, mode_t mode, bool exactMode, const std::vector<char>& bytes) {
    const int fd = platform::OpenAtRetrying(base, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                            exactMode ? 0600 : mode);
    if (fd < 0) return errno;
    const std::span<const std::uint8_t> all(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    int error = platform::WriteAll(fd, all) ? 0 : (errno != 0 ? errno : ENOSPC);
    if (error == 0 && exactMode && platform::Posix().fchmod(fd, mode) != 0) error = errno;
    if (platform::CloseOnce(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

SmallFileWriters::SmallFileWriters(std::size_t threads, std::size_t maxWaitingBytes)
    : SmallFileWriters(threads, maxWaitingBytes, AT_FDCWD, false) {}

SmallFileWriters::SmallFileWriters(std::size_t threads, std::size_t maxWaitingBytes, int base)
    : SmallFileWriters(threads, maxWaitingBytes, base, true) {}

SmallFileWriters::SmallFileWriters(std::size_t threads, std::size_t maxWaitingBytes, int base, bool exactMode)
    : lanes_(std::max<std::size_t>(threads, 1)), maxWaitingBytes_(maxWaitingBytes), base_(base), exactMode_(exactMode) {
    for (std::size_t lane = 0; lane < lanes_.size(); ++lane) threads_.emplace_back([this, lane] { work(lane); });
}

SmallFileWriters::~SmallFileWriters() {
    finish();
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

bool SmallFileWriters::idle() const {
    return busy_ == 0 && std::all_of(lanes_.begin(), lanes_.end(), [](const auto& lane) { return lane.empty(); });
}

bool SmallFileWriters::write(const std::string& folder, const std::string& name, mode_t mode,
                          std::vector<char> bytes, std::string entry) {
    std::unique_lock<std::mutex> hold(mutex_);
    std::string path = folder.empty() ? name : folder + "/" + name;
    const std::size_t cost = CostOf(path, bytes);
    changed_.wait(hold, [&] {
        return failedOrder_ || waitingBytes_ == 0 || waitingBytes_ + cost <= maxWaitingBytes_;
    });
    if (failedOrder_) return false;
    // An archive mostly holds a folder's files together: each run of them takes the next lane.
    if (folder != lastFolder_) {
        lastFolder_ = folder;
        lane_ = (lane_ + 1) % lanes_.size();
    }
    waitingBytes_ += cost;
    lanes_[lane_].push_back({queued_++, std::move(path), mode, std::move(bytes), std::move(entry)});
    hold.unlock();
    changed_.notify_all();
    return true;
}

bool SmallFileWriters::idleWithin(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, wait, [&] { return idle(); });
}

std::optional<SmallFileWriteFailure> SmallFileWriters::finish() {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait(hold, [&] { return idle(); });
    if (!failedOrder_) return std::nullopt;
    return failure_;
}

void SmallFileWriters::failed(const File& file, int error) {
    if (failedOrder_ && *failedOrder_ < file.order) return;
    failedOrder_ = file.order;
    failure_ = {file.entry, error};
}

void SmallFileWriters::work(std::size_t lane) {
    std::deque<File>& waiting = lanes_[lane];
    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
        changed_.wait(hold, [&] { return stopping_ || !waiting.empty(); });
        if (waiting.empty()) return;
        File file = std::move(waiting.front());
        waiting.pop_front();
        waitingBytes_ -= CostOf(file.path, file.bytes);
        ++busy_;
        // Once a file failed, those queued after it are not written (the unpack is abandoned
        // anyway); those queued before still are, so the failure named is always the earliest.
        const bool skip = failedOrder_ && file.order > *failedOrder_;
        hold.unlock();
        changed_.notify_all();
        const int error = skip ? 0 : WriteWhole(base_, file.path, file.mode, exactMode_, file.bytes);
        hold.lock();
        if (error != 0) failed(file, error);
        --busy_;
        changed_.notify_all();
    }
}

}  // namespace installer
