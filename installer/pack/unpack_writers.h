// Writers of an archive's small files while it is unpacked. Making a file costs the file
// system far more than its few bytes do, so with many small files the unpack is mostly that
// cost; here it is paid on a few threads while the archive is read (and checked) on one. The
// files of one folder go to one writer, since making files in a folder locks it: writers
// sharing a folder would wait on each other.
// Each file is created new (O_EXCL, no link followed) at a path whose folders the reader has
// made, only after its entry passed the archive's rules. The bytes waiting to be written are
// bounded, so memory stays small whatever the archive holds.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace installer {

// A file that could not be written: its entry's name in the archive and the system's error.
struct UnpackWriteFailure {
    std::string entry;
    int error = 0;
};

class UnpackWriters {
  public:
    // `threads` writers (at least one); `maxWaitingBytes` bounds the memory of the files queued
    // at once, their bytes and a little for each (a bigger file still goes, alone).
    UnpackWriters(std::size_t threads, std::size_t maxWaitingBytes);
    ~UnpackWriters();  // Waits for the files queued.
    UnpackWriters(const UnpackWriters&) = delete;
    UnpackWriters& operator=(const UnpackWriters&) = delete;

    // Queues the file `name` of the folder `folder` with `mode` and `bytes`, waiting while too
    // many bytes wait. False once any file has failed: the reader then stops, and finish()
    // says which. `entry` names it in a failure.
    bool write(const std::string& folder, const std::string& name, mode_t mode, std::vector<char> bytes,
               std::string entry);

    // Waits until every queued file is written: the failure of the earliest queued file that
    // failed, or nothing.
    std::optional<UnpackWriteFailure> finish();

  private:
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
    UnpackWriteFailure failure_;
    std::vector<std::thread> threads_;
};

}  // namespace installer
