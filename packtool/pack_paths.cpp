#include "packtool/pack_paths.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace packtool {

namespace fs = std::filesystem;

bool IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

bool IsWithin(const std::string& path, const std::string& folder) {
    std::error_code error;
    const fs::path inner = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error) return false;
    const fs::path outer = fs::weakly_canonical(fs::absolute(folder, error), error);
    if (error) return false;
    auto [innerEnd, outerEnd] = std::mismatch(inner.begin(), inner.end(), outer.begin(), outer.end());
    (void)innerEnd;
    return outerEnd == outer.end();
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string ParentOf(const std::string& path) {
    const fs::path parent = fs::path(WithoutTrailingSlashes(path)).parent_path();
    return parent.empty() ? "." : parent.string();
}

mode_t CurrentUmask() {
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

}  // namespace packtool
