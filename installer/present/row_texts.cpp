#include "installer/present/row_texts.h"

namespace installer {
namespace {

// A kind the words do not know is shown as the pane recorded it rather than as a key.
std::string KindText(const std::string& kind, const Words& words) {
    const std::string key = "copies.kind." + kind;
    return words.has(key) ? words.text(key) : kind;
}

}  // namespace

std::string RowDetails(const PaneRow& row, const Words& words) {
    if (row.kind.empty()) return {};
    const std::string unknown = words.text("copies.unknown");
    return words.text("copies.details",
                      {{"version", row.version.empty() ? unknown : row.version},
                       {"kind", KindText(row.kind, words)},
                       {"path", row.path.empty() ? unknown : row.path}});
}

std::string TurnedAwayLine(const CandidateView& candidate, const Words& words) {
    const std::string& name = candidate.name.empty() ? candidate.path : candidate.name;
    const std::string& reason = candidate.reason.empty() ? candidate.reasonCode : candidate.reason;
    return words.text("copies.turned_away", {{"name", name}, {"reason", reason}});
}

std::vector<std::string> TurnedAwayLines(const PaneView& pane, const Words& words) {
    std::vector<std::string> lines;
    for (const CandidateView& candidate : pane.candidates) {
        if (!candidate.offered) lines.push_back(TurnedAwayLine(candidate, words));
    }
    return lines;
}

}  // namespace installer
