#include "foundation/paths.h"

namespace foundation {
namespace {

// Runs of "/" become one, and a trailing "/" goes unless the whole path is the root.
std::string WithTidySlashes(const std::string& path) {
    std::string tidy;
    tidy.reserve(path.size());
    for (const char c : path) {
        if (c == '/' && !tidy.empty() && tidy.back() == '/') continue;
        tidy += c;
    }
    if (tidy.size() > 1 && tidy.back() == '/') tidy.pop_back();
    return tidy;
}

}  // namespace

std::string StringByAppendingPathComponent(const std::string& path, const std::string& component) {
    if (path.empty()) return WithTidySlashes(component);
    if (component.empty()) return WithTidySlashes(path);
    return WithTidySlashes(path + "/" + component);
}

}  // namespace foundation
