#include "pane_scene.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace packgate_reliability {

PaneScene::PaneScene(bool hosts) {
    if (!hosts) return;
    maker = machine.addMakerHost({});
    store = machine.addStoreHost({});
}

PackgatePane& PaneScene::pane() {
    if (!pane_) pane_ = std::make_unique<PackgatePane>(bundle.bundle());
    return *pane_;
}

void PaneScene::enter() {
    pane().didEnterPane(InstallerDirectionForward);
}

bool PaneScene::exitForward() {
    if (appkit::Window* window = pane().window()) window->endSheet();
    return pane().shouldExitPane(InstallerDirectionForward);
}

std::string PaneScene::text(const std::string& key) {
    return pane()._localizedStringForKey(key);
}

bool PaneScene::labelShows(const std::string& key) {
    return pane().m_pLabel() && pane().m_pLabel()->stringValue() == text(key);
}

std::vector<std::string> PaneScene::titles() {
    return pane().kProductTitle();
}

std::optional<std::string> FileBytes(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(prefix)) names.push_back(name);
    }
    return names;
}

}  // namespace packgate_reliability
