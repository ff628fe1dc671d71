// An in-process InstallerPane whose answers the test sets, recording every callback, for
// the tests of the install flow, the key handling and the screen.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "installer_plugins/installer_pane.h"

namespace installer_test {

class FakePane : public InstallerPane {
  public:
    FakePane();

    std::string title() const override { return "Destination"; }
    void didEnterPane(InstallerSectionDirection direction) override;
    bool shouldExitPane(InstallerSectionDirection direction) override;

    // What the next entry lists, and how the pane answers a forward exit.
    std::vector<std::string> rowsToList{"Quillet 5 Studio", "Quillet 5 ( Apple Store )"};
    bool allowForward = true;
    bool sheetOnRefusal = true;
    // Callbacks in order: "enter forward", "exit backward", ...
    std::vector<std::string> calls;
};

}  // namespace installer_test
