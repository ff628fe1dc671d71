#include "installer_plugins/installer_pane.h"

InstallerPane::InstallerPane(foundation::Bundle bundle, PaneContentView view)
    : bundle_(std::move(bundle)), view_(std::move(view)) {}

InstallerPane::~InstallerPane() = default;

std::string InstallerPane::title() const {
    return {};
}

void InstallerPane::didEnterPane(InstallerSectionDirection) {}

bool InstallerPane::shouldExitPane(InstallerSectionDirection) {
    return true;
}
