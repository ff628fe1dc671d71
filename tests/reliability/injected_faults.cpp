#include "injected_faults.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace packgate_reliability {
namespace {

struct FaultState {
    FaultPlan plan;
    platform::PosixCalls real;
    std::size_t written = 0;
    bool interrupted = false;
    std::size_t entriesListed = 0;
};

// The seam holds plain function pointers, so the faults in force live here.
FaultState* gState = nullptr;

bool Unreadable(const char* path) {
    const std::string& part = gState->plan.unreadable;
    return !part.empty() && path != nullptr && std::string(path).find(part) != std::string::npos;
}

int FailWith(int error) {
    errno = error;
    return -1;
}

int Open(const char* path, int flags, mode_t mode) {
    if (Unreadable(path)) return FailWith(gState->plan.unreadableErrno);
    return gState->real.open(path, flags, mode);
}

DIR* Opendir(const char* path) {
    if (Unreadable(path)) {
        errno = gState->plan.unreadableErrno;
        return nullptr;
    }
    gState->entriesListed = 0;
    return gState->real.opendir(path);
}

struct dirent* Readdir(DIR* dir) {
    const auto& failsAfter = gState->plan.readdirFailsAfter;
    if (failsAfter && gState->entriesListed >= *failsAfter) {
        errno = gState->plan.readdirErrno;
        return nullptr;
    }
    ++gState->entriesListed;
    return gState->real.readdir(dir);
}

ssize_t Write(int fd, const void* buffer, std::size_t count) {
    const FaultPlan& plan = gState->plan;
    if (plan.interruptWrites && !gState->interrupted) {
        gState->interrupted = true;
        return FailWith(EINTR);
    }
    gState->interrupted = false;
    std::size_t n = count;
    if (plan.writeChunk != 0 && n > plan.writeChunk) n = plan.writeChunk;
    if (plan.spaceLeft) {
        const std::size_t left = *plan.spaceLeft - std::min(*plan.spaceLeft, gState->written);
        if (left == 0) return FailWith(ENOSPC);
        if (n > left) n = left;
    }
    const ssize_t moved = gState->real.write(fd, buffer, n);
    if (moved > 0) gState->written += static_cast<std::size_t>(moved);
    return moved;
}

int Mkstemp(char* pathTemplate) {
    if (gState->plan.mkstempErrno != 0) return FailWith(gState->plan.mkstempErrno);
    return gState->real.mkstemp(pathTemplate);
}

int Fsync(int fd) {
    if (gState->plan.fsyncErrno != 0) return FailWith(gState->plan.fsyncErrno);
    return gState->real.fsync(fd);
}

int Close(int fd) {
    const int closed = gState->real.close(fd);
    if (gState->plan.closeErrno != 0) return FailWith(gState->plan.closeErrno);
    return closed;
}

int Rename(const char* from, const char* to) {
    if (gState->plan.renameErrno != 0) return FailWith(gState->plan.renameErrno);
    return gState->real.rename(from, to);
}

int Fchmod(int fd, mode_t mode) {
    if (gState->plan.fchmodErrno != 0) return FailWith(gState->plan.fchmodErrno);
    return gState->real.fchmod(fd, mode);
}

platform::PosixCalls FaultyCalls(const platform::PosixCalls& real) {
    platform::PosixCalls calls = real;
    calls.open = Open;
    calls.opendir = Opendir;
    calls.readdir = Readdir;
    calls.write = Write;
    calls.mkstemp = Mkstemp;
    calls.fsync = Fsync;
    calls.close = Close;
    calls.rename = Rename;
    calls.fchmod = Fchmod;
    return calls;
}

// Makes `plan` the faults in force and answers the calls that carry them out.
platform::PosixCalls Install(FaultPlan plan) {
    gState = new FaultState{std::move(plan), platform::Posix()};
    return FaultyCalls(gState->real);
}

}  // namespace

InjectedFaults::InjectedFaults(FaultPlan plan) : calls_(Install(std::move(plan))) {}

InjectedFaults::~InjectedFaults() {
    delete gState;
    gState = nullptr;
}

std::size_t InjectedFaults::bytesWritten() const {
    return gState->written;
}

}  // namespace packgate_reliability
