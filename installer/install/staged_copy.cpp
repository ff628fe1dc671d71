#include "installer/install/staged_copy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>

#include "installer/install/file_digest.h"
#include "system/posix_calls.h"

namespace installer {
namespace {

// Large enough that a big file takes few calls, small enough to stay in the caches; a step
// of the kernel's copy is as big, since progress is told only between steps, and a slow disk
// can take tens of milliseconds over each megabyte.
constexpr std::size_t kCopyBuffer = 1u << 20;
constexpr std::size_t kKernelStep = 1u << 20;

}  // namespace

StagedCopier::StagedCopier(std::function<void(std::uint64_t)> copiedBytes)
    : buffer_(kCopyBuffer), copiedBytes_(std::move(copiedBytes)) {}

std::optional<CopyResult> StagedCopier::copyInKernel(int from, int to) {
    CopyResult result;
    for (;;) {
        const ssize_t got = ::copy_file_range(from, nullptr, to, nullptr, kKernelStep, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && result.bytes == 0 &&
            (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            return std::nullopt;  // Not between these files: copied through the buffer.
        }
        if (got < 0) {
            result.error = errno;
            return result;
        }
        if (got == 0) break;
        result.bytes += static_cast<std::uint64_t>(got);
        if (copiedBytes_) copiedBytes_(static_cast<std::uint64_t>(got));
    }
    result.copied = true;
    result.digestPending = true;
    return result;
}

CopyResult StagedCopier::copy(int from, int to, std::uint64_t expectedSize) {
    if (expectedSize >= kDigestLaterFrom) {
        if (auto copied = copyInKernel(from, to)) return *copied;
    }
    CopyResult result;
    Sha256 sha;
    for (;;) {
        const ssize_t got = platform::ReadRetrying(from, buffer_.data(), buffer_.size());
        if (got < 0) {
            result.readFailed = true;
            result.error = errno;
            return result;
        }
        if (got == 0) break;
        const std::span<const std::uint8_t> bytes(buffer_.data(), static_cast<std::size_t>(got));
        if (!platform::WriteAll(to, bytes)) {
            result.error = errno;
            return result;
        }
        sha.add(bytes.data(), bytes.size());
        result.bytes += bytes.size();
        if (copiedBytes_) copiedBytes_(bytes.size());
    }
    result.sha256 = sha.hex();
    result.copied = true;
    return result;
}

}  // namespace installer
