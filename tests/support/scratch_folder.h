// The one temporary folder of the tests: private to one fixture and removed, with everything
// in it, when the object goes (made writable first, for tests that take permissions away).
#pragma once

#include <string>
#include <string_view>

namespace packgate_test {

class ScratchFolder {
  public:
    // A new folder "<prefix>-XXXXXX" in the system's temporary folder; throws
    // std::runtime_error when none can be made (a fixture that cannot be built stops the test).
    explicit ScratchFolder(std::string_view prefix = "pg");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    // The full path of `relative` inside the folder.
    std::string operator/(std::string_view relative) const {
        return path_ + "/" + std::string(relative);
    }

    // Writes `contents` to `relative`, creating the folders above it; answers the full path.
    std::string Write(std::string_view relative, std::string_view contents) const;
    // Creates the folder `relative` and those above it; answers the full path.
    std::string MakeFolder(std::string_view relative) const;

  private:
    std::string path_;
};

}  // namespace packgate_test
