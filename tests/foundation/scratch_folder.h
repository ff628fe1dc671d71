// A private folder for one test, removed with everything in it when the test ends. Shared
// by the platform tests (system, foundation, appkit).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform_test {

class ScratchFolder {
  public:
    ScratchFolder() {
        const std::string pattern = (std::filesystem::temp_directory_path() / "pg-XXXXXX").string();
        std::string buffer = pattern;
        if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = buffer;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    // The full path of `relative` inside the folder.
    std::string operator/(std::string_view relative) const {
        return path_ + "/" + std::string(relative);
    }

    // Writes `contents` to `relative`, creating the folders above it; answers the full path.
    std::string Write(std::string_view relative, std::string_view contents) const {
        const std::string full = *this / relative;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream out(full, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        return full;
    }
    // Creates the folder `relative` and those above it; answers the full path.
    std::string MakeFolder(std::string_view relative) const {
        const std::string full = *this / relative;
        std::filesystem::create_directories(full);
        return full;
    }

  private:
    std::string path_;
};

}  // namespace platform_test
