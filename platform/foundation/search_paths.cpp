#include "foundation/search_paths.h"

#include <cstdlib>
#include <mutex>
#include <optional>

#include "foundation/paths.h"

namespace foundation {
namespace {

struct Folders {
    std::mutex mutex;
    std::string root = "/";
    std::optional<std::string> home;
};

// Built on first use, so it is ready even for callers in other static constructors.
Folders& State() {
    static Folders folders;
    return folders;
}

std::string HomeFromEnvironment() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return "/";
    return home;
}

}  // namespace

void SetMachineRoot(std::string root) {
    auto& state = State();
    const std::lock_guard lock(state.mutex);
    state.root = root.empty() ? "/" : std::move(root);
}

const std::string& MachineRoot() {
    auto& state = State();
    const std::lock_guard lock(state.mutex);
    return state.root;
}

void SetHomeFolder(std::string home) {
    auto& state = State();
    const std::lock_guard lock(state.mutex);
    if (home.empty()) {
        state.home.reset();
    } else {
        state.home = std::move(home);
    }
}

std::string HomeFolder() {
    auto& state = State();
    {
        const std::lock_guard lock(state.mutex);
        if (state.home) return *state.home;
    }
    return HomeFromEnvironment();
}

std::string MachineLibraryFolder() {
    std::string root;
    {
        auto& state = State();
        const std::lock_guard lock(state.mutex);
        root = state.root;
    }
    return StringByAppendingPathComponent(root, "Library");
}

std::string UserLibraryFolder() {
    return StringByAppendingPathComponent(HomeFolder(), "Library");
}

}  // namespace foundation
