#include "scratch_folder.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace packgate_test {

ScratchFolder::ScratchFolder(std::string_view prefix) {
    std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    // Run by root, what a test lays out must be readable by the pane's helper, which never
    // runs as root.
    if (::geteuid() == 0) ::chmod(pattern.c_str(), 0755);
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string ScratchFolder::Write(std::string_view relative, std::string_view contents) const {
    const std::string full = *this / relative;
    fs::create_directories(fs::path(full).parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return full;
}

std::string ScratchFolder::MakeFolder(std::string_view relative) const {
    const std::string full = *this / relative;
    fs::create_directories(full);
    return full;
}

}  // namespace packgate_test
