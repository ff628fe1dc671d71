// What each key of the terminal screen does.
#include "installer/terminal/ui_controller.h"

#include <gtest/gtest.h>

#include "fake_pane.h"
#include "foundation/search_paths.h"
#include "program_runner.h"
#include "recording_front_end.h"

namespace installer_test {
namespace {

using installer::FlowStep;
using installer::InstallFlow;
using installer::Key;
using installer::KeyPress;
using installer::Overlay;
using installer::UiController;

KeyPress Char(char c) {
    return {Key::Char, c};
}

class InstallerKeys : public ::testing::Test {
  protected:
    void SetUp() override { foundation::SetHomeFolder(home_.path()); }
    void TearDown() override { foundation::SetHomeFolder({}); }

    // `working_`: how often the screen was told that the pane is being called.
    void Press(KeyPress key) {
        ui_.handle(key);
        working_ = frontEnd_.waits;
    }
    std::size_t Selected() const { return *flow_.paneView().selectedIndex(); }

    TemporaryFolder home_;
    FakePane pane_;
    RecordingFrontEnd frontEnd_;
    InstallFlow flow_{pane_, "Pack", frontEnd_};
    UiController ui_{flow_};
    int working_ = 0;
};

TEST_F(InstallerKeys, EnterAndCContinueAndSayWhenThePaneIsCalled) {
    Press({Key::Enter});
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
    EXPECT_EQ(working_, 1);
    Press(Char('c'));
    EXPECT_EQ(flow_.step(), FlowStep::Summary);
    EXPECT_EQ(working_, 2);
    Press({Key::Enter});
    EXPECT_TRUE(ui_.finished());
    EXPECT_EQ(flow_.exitCode(), 0);
}

TEST_F(InstallerKeys, ArrowsMoveTheSelectionWithinTheRows) {
    pane_.rowsToList = {"A", "B", "C"};
    Press({Key::Enter});
    EXPECT_EQ(Selected(), 0u);
    Press({Key::Up});
    EXPECT_EQ(Selected(), 0u);
    Press({Key::Down});
    Press({Key::Down});
    Press({Key::Down});
    EXPECT_EQ(Selected(), 2u);
    Press({Key::Up});
    EXPECT_EQ(Selected(), 1u);
}

TEST_F(InstallerKeys, ContinueWhileDisabledIsRefusedVisibly) {
    pane_.rowsToList.clear();
    Press({Key::Enter});
    Press({Key::Enter});
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
    EXPECT_TRUE(ui_.state().statusIsWarning);
    EXPECT_NE(ui_.state().status.find("disabled"), std::string::npos);
    EXPECT_EQ(working_, 1);  // Only the entry called the pane.
}

TEST_F(InstallerKeys, BGoesBackAndOnTheIntroductionSaysThereIsNothingBefore) {
    Press({Key::Enter});
    Press(Char('b'));
    EXPECT_EQ(flow_.step(), FlowStep::Introduction);
    Press(Char('b'));
    EXPECT_EQ(flow_.step(), FlowStep::Introduction);
    EXPECT_TRUE(ui_.state().statusIsWarning);
}

TEST_F(InstallerKeys, TheSheetTakesOnlyEnterAndTheLog) {
    pane_.allowForward = false;
    Press({Key::Enter});
    Press({Key::Enter});
    ASSERT_TRUE(flow_.paneView().sheet);
    Press(Char('b'));
    Press(Char('q'));
    Press({Key::Down});
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
    EXPECT_EQ(ui_.state().overlay, Overlay::None);
    EXPECT_TRUE(flow_.paneView().sheet);
    Press({Key::Enter});
    EXPECT_FALSE(flow_.paneView().sheet);
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
}

TEST_F(InstallerKeys, QuitAsksFirstExceptOnTheSummary) {
    Press({Key::Enter});
    Press(Char('q'));
    EXPECT_EQ(ui_.state().overlay, Overlay::QuitConfirm);
    Press(Char('n'));
    EXPECT_EQ(ui_.state().overlay, Overlay::None);
    EXPECT_FALSE(ui_.finished());
    Press(Char('q'));
    Press(Char('y'));
    EXPECT_TRUE(ui_.finished());
    EXPECT_EQ(flow_.exitCode(), 3);
}

TEST_F(InstallerKeys, QOnTheSummaryFinishesWithTheInstallationGoingOn) {
    Press({Key::Enter});
    Press({Key::Enter});
    Press(Char('q'));
    EXPECT_TRUE(ui_.finished());
    EXPECT_EQ(flow_.exitCode(), 0);
}

TEST_F(InstallerKeys, TheLogViewScrollsAndClosesWithoutTouchingTheFlow) {
    Press({Key::Enter});
    Press(Char('l'));
    EXPECT_EQ(ui_.state().overlay, Overlay::Log);
    Press({Key::Up});
    Press({Key::PageUp});
    EXPECT_EQ(ui_.state().logScroll, 11u);
    Press({Key::Down});
    EXPECT_EQ(ui_.state().logScroll, 10u);
    Press({Key::Enter});  // Not Continue while the log is shown.
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
    Press({Key::Escape});
    EXPECT_EQ(ui_.state().overlay, Overlay::None);
}

TEST_F(InstallerKeys, PagesHomeAndEndMoveByWhatTheScreenShowsAndStopAtTheEnds) {
    pane_.rowsToList.clear();
    for (int i = 0; i < 25; ++i) pane_.rowsToList.push_back("Row " + std::to_string(i));
    Press({Key::Enter});
    const std::size_t last = flow_.paneView().rows.size() - 1;  // As many as the pane holds.
    ASSERT_GE(last, 5u);
    ui_.setView(0, 2);
    Press({Key::PageDown});
    EXPECT_EQ(Selected(), 2u);
    Press({Key::End});
    EXPECT_EQ(Selected(), last);
    Press({Key::PageDown});
    EXPECT_EQ(Selected(), last);
    Press({Key::PageUp});
    EXPECT_EQ(Selected(), last - 2);
    Press({Key::Home});
    EXPECT_EQ(Selected(), 0u);
    Press({Key::PageUp});
    EXPECT_EQ(Selected(), 0u);
}

TEST_F(InstallerKeys, SlashFiltersTheLogAndEscClearsBeforeClosing) {
    Press({Key::Enter});
    Press(Char('l'));
    Press(Char('/'));
    for (char c : std::string("Exil")) Press(Char(c));
    Press({Key::Backspace});
    Press(Char('t'));
    EXPECT_TRUE(ui_.state().filtering);
    Press(Char('q'));  // Typed into the filter, not a close.
    Press({Key::Backspace});
    Press({Key::Enter});
    EXPECT_FALSE(ui_.state().filtering);
    EXPECT_EQ(ui_.state().logFilter, "Exit");
    Press({Key::Escape});
    EXPECT_EQ(ui_.state().logFilter, "");
    EXPECT_EQ(ui_.state().overlay, Overlay::Log);
    Press({Key::Escape});
    EXPECT_EQ(ui_.state().overlay, Overlay::None);
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
}

TEST_F(InstallerKeys, ResizeChangesNothing) {
    Press({Key::Enter});
    const auto before = pane_.calls;
    Press({Key::Resize});
    EXPECT_EQ(pane_.calls, before);
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
}

}  // namespace
}  // namespace installer_test
