// System calls that fail on cue, through the platform's one seam (system/posix_calls.h): a
// folder that is read-only or unreadable, a disk that fills up part way through a write,
// a flush or rename that fails, a folder listing that breaks off. While an InjectedFaults
// object lives, the platform layer sees these faults; the real calls come back after it.
// One object at a time, on the test's own thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "system/posix_calls.h"

namespace packgate_reliability {

struct FaultPlan {
    // open() and opendir() of paths that contain this text fail with `unreadableErrno`.
    std::string unreadable{};
    int unreadableErrno = EACCES;
    // Creating the temporary file of an atomic write fails with this (0: it works).
    int mkstempErrno = 0;
    // Writes stop with ENOSPC once this many bytes have been written.
    std::optional<std::size_t> spaceLeft{};
    // A write moves at most this many bytes (0: all it is given).
    std::size_t writeChunk = 0;
    // Every write is first interrupted once (EINTR).
    bool interruptWrites = false;
    // These calls fail with the given errno (0: they work). A failing close still closes.
    int fsyncErrno = 0;
    int closeErrno = 0;
    int renameErrno = 0;
    int fchmodErrno = 0;
    // readdir() fails with `readdirErrno` after this many entries.
    std::optional<std::size_t> readdirFailsAfter{};
    int readdirErrno = EIO;
};

class InjectedFaults {
  public:
    explicit InjectedFaults(FaultPlan plan);
    ~InjectedFaults();
    InjectedFaults(const InjectedFaults&) = delete;
    InjectedFaults& operator=(const InjectedFaults&) = delete;

    // Bytes that writes moved while the object lived.
    std::size_t bytesWritten() const;

  private:
    platform::ScopedPosixCalls calls_;
};

}  // namespace packgate_reliability
