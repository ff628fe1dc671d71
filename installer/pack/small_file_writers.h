// Writers of many small files: an archive's while it is unpacked, and a pack's as they are
// staged for the install. Making a file costs the file system far more than its few bytes do,
// so with many small files the work is mostly that cost; here it is paid on a few threads
// while the files are read (and checked) on one. The files of one folder go to one writer,
// since making files in a folder locks it: writers sharing a folder would wait on each other.
// Each file is created new (O_EXCL, no link followed) at a path whose folders the reader has
// made, only after it passed the reader's checks. The bytes waiting to be written are
// bounded, so memory stays small whatever the pack holds.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace installer {

// A file that could not be written: the name the reader gave it and the system's error.
struct SmallFileWriteFailure {
    std::string entry;
    int error = 0;
};

class SmallFileWriters {
  public:
    // `threads` writers (at least one); `maxWaitingBytes` bounds the memory of the files queued
    // at once, their bytes and a little for each (a bigger file still goes, alone).
    SmallFileWriters(std::size_t threads, std::size_t maxWaitingBytes);
    // The same, with each file's folder a path below the open folder `base` ("" for the base
    // itself), which stays pinned, so nothing above it can be swapped to move the files; and
    // each file given its mode exactly, whatever the process's umask.
    SmallFileWriters(std::size_t threads, std::size_t maxWaitingBytes, int base);
    ~SmallFileWriters();  // Waits for the files queued.
    SmallFileWriters(const SmallFileWriters&) = delete;
    SmallFileWriters& operator=(const SmallFileWriters&) = delete;

    // Queues the file `name` of the folder `folder` with `mode` and `bytes`, waiting while too
    // many bytes wait. False once any file has failed: the reader then stops, and finish()
    // says which. `entry` names it in a failure.
    bool write(const std::string& folder, const std::string& name, mode_t mode, std::vector<char> bytes,
               std::string entry);

    // Whether every queued file is written, waiting at most `wait` for it.
    bool idleWithin(std::chrono::milliseconds wait);

    // Waits until every queued file is written: the failure of the earliest queued file that
    // failed, or nothing.
    std::optional<SmallFileWriteFailure> finish();

  private:
    SmallFileWriters(std::size_t threads, std::size_t maxWaitingBytes, int base, bool exactMode);

    struct File {
        std::size_t order = 0;
        std::string path;
        mode_t mode = 0;
        std::vector<char> bytes;
        std::string entry;
    };
    void work(std::size_t lane);
    void failed(const File& file, int error);
    bool idle() const;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::deque<File>> lanes_;  // One per writer.
    std::string lastFolder_;
    std::size_t lane_ = 0;
    std::size_t waitingBytes_ = 0;
    std::size_t busy_ = 0;  // Files taken by a writer and not yet done.
    std::size_t maxWaitingBytes_;
    std::size_t queued_ = 0;
    bool stopping_ = false;
    std::optional<std::size_t> failedOrder_;
    SmallFileWriteFailure failure_;
    std::vector<std::thread> threads_;
    int base_;
    bool exactMode_;
};

}  // namespace installer
