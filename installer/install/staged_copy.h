// Copying one payload file into the staging folder with its SHA-256 digest. A small file's
// bytes pass once through a buffer that is reused for every file, the digest taken as they
// pass; a big one is copied inside the kernel (copy_file_range) and its digest is left to the
// caller, to be read back from the staged copy (so it is the digest of exactly the bytes
// installed) at a time when the disk is busy anyway. Memory stays the same whatever the
// pack's size.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace installer {

// From this size a copied file's digest is read back from staging beside the flush, since it
// is copied inside the kernel (a file moved from the payload, of any size, is never read
// before it is staged: its digest is always read back).
constexpr std::uint64_t kDigestLaterFrom = 1u << 20;

struct CopyResult {
    bool copied = false;
    bool readFailed = false;  // Set with `error` when the source failed, not the copy.
    int error = 0;
    std::uint64_t bytes = 0;
    std::string sha256;         // Empty when digestPending.
    bool digestPending = false;  // Copied in the kernel: the staged copy is still to be read.
};

class StagedCopier {
  public:
    // `copiedBytes` is told after every piece written.
    explicit StagedCopier(std::function<void(std::uint64_t)> copiedBytes);

    // Copies the open file `from` into the open file `to`, to its end; `expectedSize` (the
    // size the listing saw) picks the way.
    CopyResult copy(int from, int to, std::uint64_t expectedSize);

  private:
    std::optional<CopyResult> copyInKernel(int from, int to);

    std::vector<std::uint8_t> buffer_;
    std::function<void(std::uint64_t)> copiedBytes_;
};

}  // namespace installer
