// What the terminal screen shows of the install step: the progress bar while the payload is
// copied, the summary's plain sentence afterwards, and what the introduction and the quit box
// say will and will not happen. Plain logic, laid into the screen by screen_layout.cpp.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>
#include <vector>

#include "installer/install/install_report.h"
#include "installer/terminal/screen_layout.h"
#include "installer/words/words.h"

namespace installer {

// One line of content, already fitted to the width it was made for.
struct ContentLine {
    std::string text;
    Style style = Style::Normal;
    int indent = 0;
};

// "[#####-----]  50%" in exactly `columns` columns (only the percentage when too narrow).
std::string ProgressBar(const InstallProgress& progress, int columns);

// The bar, "7 of 12 files, 0.9 of 1.4 MB" and "Copying <file>", each within `width` columns;
// a long file name keeps its end, which names the file.
std::vector<std::string> ProgressLines(const InstallProgress& progress, int width,
                                       const Words& words = Words::ForUser());

// The Install step's content.
std::vector<ContentLine> InstallingLines(const ScreenInput& model, int width);

// The Summary after an install: what happened in plain words, then the hint of the details
// view (or the details themselves, added by the caller, when it is open).
std::vector<ContentLine> InstallSummaryLines(const ScreenInput& model, int width);

// The introduction's lines about the install: what it will and will not do, and one line
// when the pack has problems.
std::vector<ContentLine> IntroductionInstallLines(const ScreenInput& model, int width);

// The quit box's second line: what quitting now leaves as it is.
std::string QuitConsequence(const ScreenInput& model);

}  // namespace installer
