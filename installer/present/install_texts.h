// The install step's outcome and progress in the installer's own words, shared by every front
// end so the terminal, the line mode and the scripted report say the same thing.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>
#include <vector>

#include "installer/install/install_report.h"
#include "installer/words/words.h"

namespace installer {

// "Quillet Storyboard Essentials Pack 1.0 was installed into Quillet 5 Studio: 12 files,
// 1.4 MB, in <folder>", or what failed, with the path and the reason.
std::string InstallSentence(const InstallReport& report, const Words& words = Words::ForUser());

// What follows the sentence: that nothing was left behind (a failure), the files kept, the
// receipt (an install).
std::vector<std::string> InstallAfterwords(const InstallReport& report,
                                           const Words& words = Words::ForUser());

// "7 of 12 files, 0.9 of 1.4 MB".
std::string InstallProgressText(const InstallProgress& progress,
                                const Words& words = Words::ForUser());

// How many tenths of the copy are done, 0 to 10 (by bytes; by files for an empty payload).
int InstallProgressTenths(const InstallProgress& progress);

}  // namespace installer
