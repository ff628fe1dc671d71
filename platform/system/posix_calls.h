// The one seam through which the platform layer makes its system calls.
//
// Every file, folder and process query of platform/ goes through the table that Posix()
// answers, never to libc directly, so a test can swap in functions that fail on cue (EIO,
// ENOSPC part way through a write, EINTR, EACCES) and restore the real ones afterwards.
// The functions keep the libc contracts: -1 (or null) and errno on failure.
//
// Threading: the table is read without a lock. Swap it only while no other thread of the
// process uses the platform layer (tests do it at the start and end of a case).
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <sys/utsname.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform_export.h"

namespace platform {

struct PosixCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, std::size_t count);
    ssize_t (*write)(int fd, const void* buffer, std::size_t count);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*mkdir)(const char* path, mode_t mode);
    int (*stat)(const char* path, struct stat* info);
    int (*lstat)(const char* path, struct stat* info);
    int (*fstat)(int fd, struct stat* info);
    DIR* (*opendir)(const char* path);
    struct dirent* (*readdir)(DIR* dir);
    int (*closedir)(DIR* dir);
    // Creates and opens a unique file from `pathTemplate` ending in "XXXXXX" (mkostemp with
    // O_CLOEXEC); the template is rewritten with the name chosen.
    int (*mkstemp)(char* pathTemplate);
    int (*uname)(struct utsname* name);
    int (*fchmod)(int fd, mode_t mode);
    // Calls relative to an open folder, so a path is never looked up again from "/" (and a
    // link planted in it meanwhile is never followed).
    int (*openat)(int folder, const char* name, int flags, mode_t mode);
    int (*mkdirat)(int folder, const char* name, mode_t mode);
    int (*renameat)(int fromFolder, const char* from, int toFolder, const char* to);
    int (*unlinkat)(int folder, const char* name, int flags);
    int (*fstatat)(int folder, const char* name, struct stat* info, int flags);
    int (*fstatvfs)(int fd, struct statvfs* info);
};

// The real system calls.
PACKGATE_PLATFORM_API PosixCalls RealPosixCalls();

// The table in use; tests may assign members of it.
PACKGATE_PLATFORM_API PosixCalls& Posix();

// Puts a table in place for the life of the object and restores the previous one after.
class ScopedPosixCalls {
  public:
    explicit ScopedPosixCalls(const PosixCalls& calls) : saved_(Posix()) { Posix() = calls; }
    ~ScopedPosixCalls() { Posix() = saved_; }
    ScopedPosixCalls(const ScopedPosixCalls&) = delete;
    ScopedPosixCalls& operator=(const ScopedPosixCalls&) = delete;

  private:
    PosixCalls saved_;
};

// Helpers over the table that every caller needs the same way.

// openat() retried while it is interrupted. -1 and errno on failure.
PACKGATE_PLATFORM_API int OpenAtRetrying(int folder, const char* name, int flags, mode_t mode = 0);
// open() retried while it is interrupted. -1 and errno on failure.
PACKGATE_PLATFORM_API int OpenRetrying(const char* path, int flags, mode_t mode = 0);
// Writes all of `bytes`, going on after short writes and retrying interrupted ones. False
// (errno set) when a write fails or writes nothing.
PACKGATE_PLATFORM_API bool WriteAll(int fd, std::span<const std::uint8_t> bytes);
// read() retried while it is interrupted.
PACKGATE_PLATFORM_API ssize_t ReadRetrying(int fd, void* buffer, std::size_t count);
// fsync() retried while it is interrupted.
PACKGATE_PLATFORM_API int FsyncRetrying(int fd);
// close() once: after EINTR the descriptor is already released on Linux, so a retry could
// close a descriptor that another thread has just opened.
PACKGATE_PLATFORM_API int CloseOnce(int fd);

}  // namespace platform
