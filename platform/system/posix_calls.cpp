#include "system/posix_calls.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

// open() is variadic in libc; the table needs a plain function.
int RealOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int RealOpenAt(int folder, const char* name, int flags, mode_t mode) {
    return ::openat(folder, name, flags, mode);
}

int RealMkstemp(char* pathTemplate) {
    return ::mkostemp(pathTemplate, O_CLOEXEC);
}

constexpr PosixCalls MakeRealCalls() {
    return PosixCalls{
        .open = RealOpen,
        .read = ::read,
        .write = ::write,
        .fsync = ::fsync,
        .close = ::close,
        .rename = ::rename,
        .unlink = ::unlink,
        .mkdir = ::mkdir,
        .stat = ::stat,
        .lstat = ::lstat,
        .fstat = ::fstat,
        .opendir = ::opendir,
        .readdir = ::readdir,
        .closedir = ::closedir,
        .mkstemp = RealMkstemp,
        .uname = ::uname,
        .fchmod = ::fchmod,
        .openat = RealOpenAt,
        .mkdirat = ::mkdirat,
        .renameat = ::renameat,
        .unlinkat = ::unlinkat,
        .fstatat = ::fstatat,
        .fstatvfs = ::fstatvfs,
    };
}

// Constant-initialised, so it is usable before any constructor of the program has run.
constinit PosixCalls gCalls = MakeRealCalls();

}  // namespace

PosixCalls RealPosixCalls() {
    return MakeRealCalls();
}

PosixCalls& Posix() {
    return gCalls;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
    for (;;) {
        const int fd = Posix().open(path, flags, mode);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

int OpenAtRetrying(int folder, const char* name, int flags, mode_t mode) {
    for (;;) {
        const int fd = Posix().openat(folder, name, flags, mode);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = Posix().write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;  // No progress and no error: give up rather than spin.
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

ssize_t ReadRetrying(int fd, void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = Posix().read(fd, buffer, count);
        if (got >= 0 || errno != EINTR) return got;
    }
}

int FsyncRetrying(int fd) {
    for (;;) {
        const int result = Posix().fsync(fd);
        if (result == 0 || errno != EINTR) return result;
    }
}

int CloseOnce(int fd) {
    return Posix().close(fd);
}

}  // namespace platform
