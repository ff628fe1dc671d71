// What the pane's screen shows besides the radio rows: the selected row's details (version,
// kind, folder) and the copies turned away, each with its reason, fitted to `width` columns.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>
#include <vector>

#include "installer/model/pane_view.h"

namespace installer {

// The details of `row`, wrapped, to show under it.
std::vector<std::string> RowDetailLines(const PaneRow& row, int width);
// The heading and one wrapped entry per turned-away copy; empty when every copy was offered.
std::vector<std::string> TurnedAwayLines(const PaneView& view, int width);

}  // namespace installer
