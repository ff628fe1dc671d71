#include "installer/install/staged_copy.h"

#include <cerrno>
#include <span>

#include "installer/install/file_digest.h"
#include "system/posix_calls.h"

namespace installer {
namespace {

// Large enough that a big file takes few calls, small enough to stay in the caches.
constexpr std::size_t kCopyBuffer = 1u << 20;

}  // namespace

StagedCopier::StagedCopier(std::function<void(std::uint64_t)> copiedBytes)
    : buffer_(kCopyBuffer), copiedBytes_(std::move(copiedBytes)) {}

CopyResult StagedCopier::copy(int from, int to) {
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
