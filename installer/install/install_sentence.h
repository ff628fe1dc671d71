// The plain sentence that tells what the install step did, the same on every front end:
// "Quillet Storyboard Essentials Pack 1.0 was installed into Quillet 5 Studio: 12 files,
// 1.4 MB, in <folder>", or that the pack was not installed and why.
#pragma once

#include <string>

#include "installer/model/install_report.h"
#include "installer/words/words.h"

namespace installer {

// `report`'s outcome in one sentence, in `words`' language.
std::string InstallSentence(const Words& words, const InstallReport& report);

}  // namespace installer
