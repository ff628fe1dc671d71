#include "installer/present/flow_words.h"

namespace installer {

std::string WaitSentence(FlowWait wait, const Words& words) {
    switch (wait) {
        case FlowWait::EnteringPane:
            return words.text("wait.entering_pane");
        case FlowWait::LeavingPane:
            return words.text("wait.leaving_pane");
        case FlowWait::Installing:
            return words.text("wait.installing");
    }
    return words.text("wait.working");
}

std::string WaitText(const Words& words, FlowWait wait, long long seconds) {
    return words.text("wait.elapsed",
                      {{"text", WaitSentence(wait, words)}, {"seconds", std::to_string(seconds)}});
}

std::string ContinueLabel(FlowStep step, const Words& words) {
    return words.text(step == FlowStep::Summary ? "button.finish" : "button.continue");
}

std::optional<std::string> SignatureLine(const std::optional<PackSignature>& signature,
                                         const Words& words) {
    if (!signature) return std::nullopt;
    if (signature->state != PackSignature::State::Trusted) return words.text("signature.unsigned");
    const std::string& signer = signature->signer.empty() ? signature->keyId : signature->signer;
    return words.text("signature.signed", {{"signer", signer}, {"key", signature->keyId}});
}

std::string IntroductionHeading(const std::string& packTitle, const Words& words) {
    return words.text("intro.welcome", {{"pack", packTitle}});
}

std::vector<std::string> IntroductionParagraphs(const Words& words) {
    return {words.text("intro.body"), words.text("intro.report")};
}

const Words& EnglishWords() {
    static const Words english = Words::ForLanguage("en");
    return english;
}

}  // namespace installer
