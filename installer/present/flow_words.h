// The flow's own sentences, one of each for every front end: what a wait is for, the label of
// the button that goes on, and who signed the pack. A front end places them; it never words
// them itself.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <optional>
#include <string>
#include <vector>

#include "installer/model/flow_step.h"
#include "installer/model/front_end.h"
#include "installer/pack/pack_signature.h"
#include "installer/words/words.h"

namespace installer {

// What the person waits for: "Looking for copies of Quillet…".
std::string WaitSentence(FlowWait wait, const Words& words = Words::ForUser());

// The same with the seconds it has taken so far: "Looking for copies of Quillet… 3 s".
std::string WaitText(const Words& words, FlowWait wait, long long seconds);

// The label of the button that goes on from `step`: "Continue", or "Finish" on the summary.
std::string ContinueLabel(FlowStep step, const Words& words = Words::ForUser());

// What the introduction says of the pack's signature: "Signed by NAME (key KEYID)", or for an
// unsigned pack the warning that its code runs unchecked. Nothing when the run has no pack
// whose signature was looked at (a bare pane).
std::optional<std::string> SignatureLine(const std::optional<PackSignature>& signature,
                                         const Words& words = Words::ForUser());

// The introduction's heading: "Welcome to the NAME installer".
std::string IntroductionHeading(const std::string& packTitle, const Words& words = Words::ForUser());

// The introduction's paragraphs under the heading and the signature: what the installer does,
// and what the pane reports to the maker once the person goes on.
std::vector<std::string> IntroductionParagraphs(const Words& words = Words::ForUser());

// The English words, for reports that stay the same whatever the user's language.
const Words& EnglishWords();

}  // namespace installer
