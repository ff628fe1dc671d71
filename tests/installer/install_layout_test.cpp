// The install step's part of the terminal screen: the bar and its texts fitted to narrow
// widths in every language, the summary's sentence, the details view and the question box.
#include "installer/terminal/install_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "installer/terminal/screen_layout.h"
#include "decided_screen.h"
#include "installer/text/text_wrap.h"
#include "installer/words/words.h"

namespace installer_test {
namespace {

using installer::FlowStep;
using installer::InstallProgress;
using installer::ScreenInput;

InstallProgress Halfway() {
    InstallProgress progress;
    progress.filesDone = 7;
    progress.filesTotal = 12;
    progress.bytesDone = 700'000;
    progress.bytesTotal = 1'400'000;
    progress.currentFile = "Board/Panels/A very long folder name/Storyboard six panels.qtpl";
    return progress;
}

std::string Screen(const ScreenInput& model, int width, int height) {
    std::string text;
    for (const std::string& line :
         installer::FrameText(installer::LayoutScreen(installer_test::Decided(model), width, height), width, height)) {
        text += line + "\n";
    }
    return text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(InstallLayout, TheBarFillsItsColumnsByTheBytesDone) {
    InstallProgress progress = Halfway();
    EXPECT_EQ(installer::ProgressBar(progress, 17), "[#####-----]  50%");
    progress.bytesDone = progress.bytesTotal;
    EXPECT_EQ(installer::ProgressBar(progress, 17), "[##########] 100%");
    progress.bytesDone = progress.bytesTotal * 2;  // A file grew while it was copied.
    EXPECT_EQ(installer::ProgressBar(progress, 17), "[##########] 100%");
    progress = {};
    progress.filesTotal = 4;
    progress.filesDone = 1;  // A payload of empty files goes by files.
    EXPECT_EQ(installer::ProgressBar(progress, 15), "[##------]  25%");
    EXPECT_EQ(installer::ProgressBar(progress, 6), " 25%");
}

TEST(InstallLayout, EveryLineFitsNarrowWidthsInEveryLanguage) {
    for (const std::string& language : installer::Words::Languages()) {
        const installer::Words words = installer::Words::ForLanguage(language);
        for (int width = 6; width <= 60; ++width) {
            const auto lines = installer::ProgressLines(Halfway(), width, words);
            ASSERT_EQ(lines.size(), 3u);
            for (const std::string& line : lines) {
                EXPECT_LE(installer::DisplayWidth(line), static_cast<std::size_t>(width))
                    << language << " at " << width << ": " << line;
            }
            // From 11 columns on the bar has its frame and fills the width exactly.
            if (width >= 11) {
                EXPECT_EQ(installer::DisplayWidth(lines[0]), static_cast<std::size_t>(width))
                    << language << " at " << width << ": " << lines[0];
            }
            if (width >= 40) {
                // A long name keeps its end: the file's own name.
                EXPECT_TRUE(lines[2].ends_with("six panels.qtpl")) << language << ": " << lines[2];
            }
        }
    }
    const installer::Words zh = installer::Words::ForLanguage("zh_TW");
    EXPECT_EQ(installer::ProgressLines(Halfway(), 60, zh)[1], "7／12 個檔案，700.0 kB／1.4 MB");
}

ScreenInput Installed() {
    ScreenInput model;
    model.flow.step = FlowStep::Summary;
    model.flow.packTitle = "Storyboard Pack";
    model.flow.installPlanned = true;
    installer::InstallReport report;
    report.installed = true;
    report.packTitle = "Storyboard Pack";
    report.packVersion = "1.0";
    report.hostTitle = "Quillet 5 Studio";
    report.destination = "/Library/Template";
    report.files = 12;
    report.bytes = 1'400'000;
    report.receiptPath = "/r.plist";
    model.flow.install = report;
    installer::HandoffList handoff;
    handoff.path = "/h.plist";
    handoff.writtenByThisExit = true;
    handoff.values.emplace();
    handoff.values->templatePath = "/Library/Template";
    model.flow.handoff = handoff;
    return model;
}

TEST(InstallLayout, TheSummarySaysTheSentenceAndKeepsTheValuesForTheDetailsView) {
    ScreenInput model = Installed();
    std::string screen = Screen(model, 100, 24);
    EXPECT_TRUE(Contains(screen, "Storyboard Pack 1.0 was installed into Quillet 5 Studio: 12 "
                                 "files, 1.4 MB, in /Library/Template"))
        << screen;
    EXPECT_TRUE(Contains(screen, "Press d for the handoff list's values.")) << screen;
    EXPECT_FALSE(Contains(screen, "ContTemplatePath")) << screen;
    EXPECT_TRUE(Contains(screen, "d details")) << screen;
    EXPECT_FALSE(Contains(screen, "b Go Back")) << screen;  // The pack is in.

    model.ui.details = true;
    screen = Screen(model, 100, 24);
    EXPECT_TRUE(Contains(screen, "ContTemplatePath  /Library/Template")) << screen;
    EXPECT_FALSE(Contains(screen, "Press d for")) << screen;

    model.flow.install->installed = false;
    model.flow.install->error = "Could not write /Library/Template/x: Disk full";
    model.ui.details = false;
    screen = Screen(model, 60, 24);
    EXPECT_TRUE(Contains(screen, "Storyboard Pack was not installed: Could not write")) << screen;
    EXPECT_TRUE(Contains(screen, "Nothing of the pack was left behind")) << screen;
    EXPECT_TRUE(Contains(screen, "b Go Back")) << screen;
}

TEST(InstallLayout, TheInstallStepShowsTheBarAndTheQuestionComesInABox) {
    ScreenInput model;
    model.flow.step = FlowStep::Install;
    model.flow.packTitle = "Storyboard Pack";
    model.flow.installPlanned = true;
    model.flow.wait = installer::FlowWait::Installing;
    model.flow.progress = Halfway();
    std::string screen = Screen(model, installer::kMinWidth, installer::kMinHeight);
    EXPECT_TRUE(Contains(screen, "[##############---------------]  50%")) << screen;
    EXPECT_TRUE(Contains(screen, "7 of 12 files, 700.0 kB of 1.4 MB")) << screen;

    model.flow.question = "Install the older version?";
    screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, "| Install the older version?")) << screen;
    EXPECT_TRUE(Contains(screen, "[ y Yes   n No ]")) << screen;
    EXPECT_TRUE(Contains(screen, "y install it")) << screen;
    EXPECT_FALSE(Contains(screen, "Installing…")) << screen;  // The answer is waited for, not the copy.
}

TEST(InstallLayout, TheIntroductionAndTheQuitBoxSayWhatWillHappen) {
    ScreenInput model;
    model.flow.packTitle = "Storyboard Pack";
    EXPECT_TRUE(Contains(Screen(model, 80, 24), "runs the pack's pane only"));
    model.flow.installPlanned = true;
    model.warnings = {"Contents/Info.plist: no CFBundleVersion", "second"};
    std::string screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, "This installs the pack's files")) << screen;
    EXPECT_TRUE(Contains(screen, "Warning: the pack has 2 problem(s)")) << screen;
    EXPECT_FALSE(Contains(screen, "second")) << screen;
    model.ui.overlay = installer::Overlay::QuitConfirm;
    screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, "Nothing has been installed yet")) << screen;
}

}  // namespace
}  // namespace installer_test
