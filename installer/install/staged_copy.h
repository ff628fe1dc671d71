// Copying one payload file into the staging folder: the bytes pass once through a buffer
// that is reused for every file, and the SHA-256 digest is taken as they pass, so no file is
// read twice and memory stays the same whatever the pack's size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace installer {

struct CopyResult {
    bool copied = false;
    bool readFailed = false;  // Set with `error` when the source failed, not the copy.
    int error = 0;
    std::uint64_t bytes = 0;
    std::string sha256;
};

class StagedCopier {
  public:
    // `copiedBytes` is told after every piece written.
    explicit StagedCopier(std::function<void(std::uint64_t)> copiedBytes);

    // Copies the open file `from` into the open file `to`, to its end.
    CopyResult copy(int from, int to);

  private:
    std::vector<std::uint8_t> buffer_;
    std::function<void(std::uint64_t)> copiedBytes_;
};

}  // namespace installer
