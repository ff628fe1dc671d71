// The pane's record of the copies it examined, as the installer shows it: the facts of the
// copy behind each row, and every candidate with its reason in the user's language.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <string>
#include <utility>
#include <vector>

#include "installer/model/pane_view.h"
#include "installer_plugins/pane_candidates.h"

namespace installer {

// "maker" for a copy of the direct route, "store" for one of the store route.
std::string CandidateKind(const PaneCandidate& candidate);

// The reason of a turned-away candidate in the user's language ("" when offered).
std::string CandidateReason(const PaneCandidate& candidate);

// Fills the rows' version, kind and folder and the view's candidates from what the pane
// recorded; leaves them empty for a pane that records nothing.
void AddCandidates(const InstallerPane& pane, PaneView& view);

}  // namespace installer
