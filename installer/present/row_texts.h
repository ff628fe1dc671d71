// The pane's rows and the copies it turned away, in the words every front end shows: the
// terminal, the window and the scripted report place these lines, none words them itself.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>
#include <vector>

#include "installer/model/candidate_view.h"
#include "installer/model/pane_view.h"
#include "installer/words/words.h"

namespace installer {

// A row's details line: "Version 5.2 · maker-distributed · FOLDER"; "" for a row whose pane
// recorded nothing about the copy behind it.
std::string RowDetails(const PaneRow& row, const Words& words = Words::ForUser());

// A turned-away copy in one line: "NAME: REASON" (its folder when it has no name, the reason's
// code when the reason has no words).
std::string TurnedAwayLine(const CandidateView& candidate, const Words& words = Words::ForUser());

// One line per copy the pane turned away, in the pane's order.
std::vector<std::string> TurnedAwayLines(const PaneView& pane, const Words& words = Words::ForUser());

}  // namespace installer
