#include "installer/model/pane_view.h"

#include <utility>

#include "installer/model/candidate_view.h"
#include "installer/model/model_room.h"  // Last: see there.

namespace installer {

std::optional<std::size_t> PaneView::selectedIndex() const {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].selected) return i;
    }
    return std::nullopt;
}

PaneView ReadPaneView(const InstallerPane& pane) {
    PaneView view;
    view.title = pane.title();
    view.nextEnabled = pane.nextEnabled();
    const PaneContentView& content = pane.contentView();
    if (content.label) view.label = content.label->stringValue();
    if (content.matrix) {
        const auto selected = content.matrix->selectedRow();
        const auto cells = content.matrix->cells();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            PaneRow row;
            row.tag = cells[i]->tag();
            row.title = cells[i]->title();
            row.selected = selected == i;
            view.rows.push_back(std::move(row));
        }
    }
    if (const appkit::Window* window = WindowWithSheet(pane)) view.sheet = window->sheet();
    AddCandidates(pane, view);
    return view;
}

appkit::Window* WindowWithSheet(const InstallerPane& pane) {
    const PaneContentView& content = pane.contentView();
    appkit::Window* candidates[] = {
        pane.window(),
        content.label ? content.label->window() : nullptr,
        content.matrix ? content.matrix->window() : nullptr,
    };
    for (appkit::Window* window : candidates) {
        if (window != nullptr && window->sheet()) return window;
    }
    return nullptr;
}

}  // namespace installer
