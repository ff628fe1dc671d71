#include "installer/pack/direct_file_writer.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "installer/pack/direct_access.h"
#include "system/posix_calls.h"

namespace installer {
namespace {

// As big as the pieces the archive is read in.
constexpr std::size_t kBufferBytes = 1u << 20;

}  // namespace

DirectFileWriter::DirectFileWriter() : buffer_(NewDirectBuffer(kBufferBytes)) {}

DirectFileWriter::~DirectFileWriter() {
    if (fd_ >= 0) platform::CloseOnce(fd_);
}

bool DirectFileWriter::create(const std::string& path, mode_t mode) {
    if (!buffer_) {
        errno = ENOMEM;
        return false;
    }
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    fd_ = platform::OpenRetrying(path.c_str(), flags | O_DIRECT, mode);
    direct_ = fd_ >= 0;
    if (fd_ < 0 && errno == EINVAL) fd_ = platform::OpenRetrying(path.c_str(), flags, mode);
    return fd_ >= 0;
}

// Goes on through the cache: the file system refused a direct write.
bool DirectFileWriter::leaveDirect() {
    if (!LeaveDirectAccess(fd_)) return false;
    direct_ = false;
    return true;
}

// Writes the first `count` bytes held and keeps the rest at the buffer's start.
bool DirectFileWriter::writeHeld(std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t step = platform::Posix().write(fd_, buffer_.get() + done, count - done);
        if (step < 0 && errno == EINTR) continue;
        if (step < 0 && errno == EINVAL && direct_) {
            if (!leaveDirect()) return false;
            continue;
        }
        if (step < 0) return false;
        if (step == 0) {
            errno = ENOSPC;
            return false;
        }
        // After a short direct write off a block boundary, the next one is refused and the
        // rest goes through the cache.
        done += static_cast<std::size_t>(step);
    }
    std::memmove(buffer_.get(), buffer_.get() + count, held_ - count);
    held_ -= count;
    return true;
}

bool DirectFileWriter::write(const char* bytes, std::size_t count) {
    while (count > 0) {
        const std::size_t room = std::min(count, kBufferBytes - held_);
        std::memcpy(buffer_.get() + held_, bytes, room);
        held_ += room;
        bytes += room;
        count -= room;
        if (held_ == kBufferBytes && !writeHeld(kBufferBytes)) return false;
    }
    return true;
}

bool DirectFileWriter::finish() {
    const std::size_t whole = held_ - held_ % kDirectBlock;
    bool written = whole == 0 || writeHeld(whole);
    // The tail is not a whole block, so it cannot go direct.
    if (written && held_ > 0) written = (!direct_ || leaveDirect()) && writeHeld(held_);
    const int error = errno;
    const bool closed = platform::CloseOnce(std::exchange(fd_, -1)) == 0;
    if (!written) errno = error;
    return written && closed;
}

}  // namespace installer
