#include "installer/window/window_texts.h"

#include "installer/present/install_texts.h"

#include <utility>

namespace installer {
namespace {

std::string KindText(const Words& words, const std::string& kind) {
    if (kind == "maker") return words.text("window.pane.kind.maker");
    if (kind == "store") return words.text("window.pane.kind.store");
    return kind;
}

void Join(std::string& into, const std::string& part) {
    if (part.empty()) return;
    if (!into.empty()) into += " · ";
    into += part;
}

}  // namespace

std::string RowDetails(const Words& words, const PaneRow& row) {
    std::string details;
    if (!row.version.empty()) Join(details, words.text("window.pane.version", {{"version", row.version}}));
    Join(details, KindText(words, row.kind));
    Join(details, row.path);
    return details;
}

std::vector<std::string> TurnedAwayLines(const Words& words, const PaneView& pane) {
    std::vector<std::string> lines;
    for (const CandidateView& candidate : pane.candidates) {
        if (candidate.offered) continue;
        const std::string& name = candidate.name.empty() ? candidate.path : candidate.name;
        const std::string& reason = candidate.reason.empty() ? candidate.reasonCode : candidate.reason;
        lines.push_back(words.text("window.pane.candidate", {{"name", name}, {"reason", reason}}));
    }
    return lines;
}

SummaryText MakeSummary(const Words& words, const std::string& packTitle,
                        const std::optional<HandoffList>& handoff,
                        const std::optional<InstallReport>& install) {
    SummaryText summary;
    auto& paragraphs = summary.paragraphs;
    if (install) {
        InstallReport told = *install;
        if (told.packTitle.empty()) told.packTitle = packTitle;
        paragraphs.push_back(InstallSentence(told, words));
        for (std::string& line : InstallAfterwords(told, words)) paragraphs.push_back(std::move(line));
    }
    if (!handoff) {
        if (!install) paragraphs.push_back(words.text("window.summary.kept"));
        return summary;
    }
    if (!install) paragraphs.push_back(words.text("window.summary.went_on"));
    paragraphs.push_back(words.text("window.summary.handoff", {{"path", handoff->path}}));
    if (!handoff->writtenByThisExit) paragraphs.push_back(words.text("window.summary.not_written"));
    if (!handoff->values) {
        paragraphs.push_back(words.text("window.summary.unreadable"));
        return summary;
    }
    for (const HandoffField& field : kHandoffFields) {
        const auto& value = (*handoff->values).*field.value;
        summary.values.emplace_back(std::string(field.key),
                                    value ? *value : words.text("window.summary.missing"));
    }
    return summary;
}

}  // namespace installer
