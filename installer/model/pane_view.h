// What the Installer shows of a pane at one moment, read from the pane's view models after
// a callback: its title, label, radio rows, the Continue button and the sheet on its window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "appkit/views.h"
#include "installer_plugins/installer_pane.h"

namespace installer {

struct PaneRow {
    long tag = 0;
    std::string title;
    bool selected = false;
};

struct PaneView {
    std::string title;
    std::string label;
    std::vector<PaneRow> rows;
    bool nextEnabled = false;
    std::optional<appkit::Sheet> sheet;

    // The index (row number, not tag) of the selected row, if any.
    std::optional<std::size_t> selectedIndex() const;
};

PaneView ReadPaneView(const InstallerPane& pane);

// The window of the pane's view that carries a sheet now (the pane's window, else the
// window of its label or matrix), or null when no sheet is shown.
appkit::Window* WindowWithSheet(const InstallerPane& pane);

}  // namespace installer
