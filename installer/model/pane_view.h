// What the Installer shows of a pane at one moment, read from the pane's view models after
// a callback: its title, label, radio rows, the Continue button and the sheet on its window.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

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
    // What tells copies with equal titles apart, from the pane's record of the copy behind
    // the row (empty when the pane recorded none): the application's version, its kind
    // ("maker" for a maker-distributed copy, "store" for an App Store copy) and its folder.
    std::string version;
    std::string kind;
    std::string path;
};

// One copy of Quillet the pane examined on its last entry, offered or turned away.
struct CandidateView {
    std::string source;   // "direct" (the shared-data list) or "store" (a sandbox container)
    std::string name;     // The registry key or the container's name.
    std::string path;     // The application's path, when known.
    std::string version;  // The application's version, when known.
    bool offered = false;
    std::optional<long> tag;  // The row's tag when offered.
    std::string reasonCode;   // Why it was turned away, as a stable code; empty when offered.
    std::string reason;       // The same in plain words, in the user's language.
};

struct PaneView {
    std::string title;
    std::string label;
    std::vector<PaneRow> rows;
    bool nextEnabled = false;
    std::optional<appkit::Sheet> sheet;
    // Every copy examined on the last entry, in the order the pane examined them.
    std::vector<CandidateView> candidates;

    // The index (row number, not tag) of the selected row, if any.
    std::optional<std::size_t> selectedIndex() const;
};

PaneView ReadPaneView(const InstallerPane& pane);

// The window of the pane's view that carries a sheet now (the pane's window, else the
// window of its label or matrix), or null when no sheet is shown.
appkit::Window* WindowWithSheet(const InstallerPane& pane);

}  // namespace installer
