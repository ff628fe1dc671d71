#include "installer/model/candidate_view.h"

#include <string_view>

#include "installer/words/words.h"
#include "installer/model/model_room.h"  // Last: see there.

namespace installer {

std::string CandidateKind(const PaneCandidate& candidate) {
    return candidate.source == "store" ? "store" : "maker";
}

std::string CandidateReason(const PaneCandidate& candidate) {
    if (candidate.offered) return {};
    const Words& words = Words::ForUser();
    const std::string key = "copies.reason." + candidate.reasonCode;
    // An unknown code still explains itself in the pane's own English words.
    if (!words.has(key) && !Words::ForLanguage("en").has(key)) return candidate.reason;
    std::string text = words.text(key);
    for (const auto& [name, given] : candidate.reasonFields) {
        std::string value = given.empty() ? words.text("copies.unknown") : given;
        if (name == "kind") value = words.text("copies.kind." + value);
        text = FillWordFields(text, {{name, value}});
    }
    return text;
}

namespace {

CandidateView ViewOf(const PaneCandidate& candidate) {
    CandidateView view;
    view.source = candidate.source;
    view.name = candidate.name;
    view.path = candidate.applicationPath;
    view.version = candidate.applicationVersion;
    view.offered = candidate.offered;
    if (candidate.offered) view.tag = candidate.tag;
    view.reasonCode = candidate.reasonCode;
    view.reason = CandidateReason(candidate);
    return view;
}

}  // namespace

void AddCandidates(const InstallerPane& pane, PaneView& view) {
    const auto* record = dynamic_cast<const PaneCandidates*>(&pane);
    if (record == nullptr) return;
    for (const PaneCandidate& candidate : record->candidates()) {
        view.candidates.push_back(ViewOf(candidate));
        if (!candidate.offered) continue;
        for (PaneRow& row : view.rows) {
            if (row.tag != candidate.tag) continue;
            row.version = candidate.applicationVersion;
            row.kind = CandidateKind(candidate);
            row.path = candidate.applicationPath;
        }
    }
}

}  // namespace installer
