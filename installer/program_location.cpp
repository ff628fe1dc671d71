#include "installer/program_location.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "foundation/files.h"

namespace installer {

std::optional<std::string> ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return std::nullopt;
    std::string executable(path, static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return slash == 0 ? "/" : executable.substr(0, slash);
}

std::vector<std::string> DefaultBundleCandidates(const std::string& executableFolder) {
    const std::filesystem::path folder(executableFolder);
    return {(folder / "../lib/packgate/Packgate.bundle").lexically_normal().string(),
            (folder / "../Packgate.bundle").lexically_normal().string()};
}

namespace {

std::optional<std::string> FirstExisting(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        if (foundation::FileExistsAtPath(candidate)) return candidate;
    }
    return candidates.front();
}

}  // namespace

std::optional<std::string> DefaultBundlePath() {
    const auto folder = ExecutableFolder();
    if (!folder) return std::nullopt;
    return FirstExisting(DefaultBundleCandidates(*folder));
}

std::vector<std::string> DemoPackCandidates(const std::string& executableFolder) {
    const std::filesystem::path folder(executableFolder);
    return {(folder / "../lib/packgate/Demo.pack").lexically_normal().string(),
            (folder / "Demo.pack").lexically_normal().string()};
}

std::optional<std::string> DefaultDemoPackPath() {
    const auto folder = ExecutableFolder();
    if (!folder) return std::nullopt;
    return FirstExisting(DemoPackCandidates(*folder));
}

std::vector<std::string> PaneHostCandidates(const std::string& executableFolder) {
    const std::filesystem::path folder(executableFolder);
    return {(folder / "../lib/packgate/packgate-pane-host").lexically_normal().string(),
            (folder / "packgate-pane-host").lexically_normal().string()};
}

std::optional<std::string> DefaultPaneHostPath() {
    if (const char* named = std::getenv("PACKGATE_PANE_HOST"); named != nullptr && *named != '\0') {
        return std::string(named);
    }
    const auto folder = ExecutableFolder();
    if (!folder) return std::nullopt;
    return FirstExisting(PaneHostCandidates(*folder));
}

std::optional<std::string> DefaultDemoKeyPath() {
    const auto pack = DefaultDemoPackPath();
    if (!pack) return std::nullopt;
    return (std::filesystem::path(*pack).parent_path() / "Demo.pub").string();
}

}  // namespace installer
