// The window's texts that depend on what the flow reports, built without Qt so they are
// checked on their own: a pane row's details line, the summary in plain words, the wait's
// text, and install log lines turned message-first.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <optional>
#include <string>
#include <vector>

#include "installer/model/front_end.h"
#include "installer/present/flow_words.h"
#include "installer/words/words.h"

namespace installer {

// What the summary page says, paragraph by paragraph. `install` is the install step's
// report when it ran: its sentence comes first, then the handoff list the pane left, whose
// values are the details; without an install the list tells what happens next.
struct SummaryText {
    std::vector<std::string> paragraphs;
    // The handoff list's keys and values, in key order (empty without a readable list).
    std::vector<std::pair<std::string, std::string>> values;
};
SummaryText MakeSummary(const Words& words, const std::string& packTitle,
                        const std::optional<HandoffList>& handoff,
                        const std::optional<InstallReport>& install);

}  // namespace installer
