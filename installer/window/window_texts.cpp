#include "installer/window/window_texts.h"

#include "installer/present/install_texts.h"

#include <utility>

namespace installer {

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
