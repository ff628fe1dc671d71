// The install flow's steps, what each request asks of the pane, and the states it publishes.
#include "installer/model/install_flow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fake_pane.h"
#include "foundation/search_paths.h"
#include "program_runner.h"
#include "recording_front_end.h"

namespace installer_test {
namespace {

using installer::FlowAnswer;
using installer::FlowState;
using installer::FlowStep;
using installer::InstallFlow;
using Calls = std::vector<std::string>;

class InstallerFlow : public ::testing::Test {
  protected:
    void SetUp() override { foundation::SetHomeFolder(home_.path()); }
    void TearDown() override { foundation::SetHomeFolder({}); }

    TemporaryFolder home_;
    FakePane pane_;
    RecordingFrontEnd frontEnd_;
    InstallFlow flow_{pane_, "Pack", frontEnd_};
};

TEST_F(InstallerFlow, StartsAtTheIntroductionWithoutCallingThePane) {
    EXPECT_EQ(flow_.step(), FlowStep::Introduction);
    EXPECT_TRUE(pane_.calls.empty());
    EXPECT_EQ(flow_.back(), FlowAnswer::Ignored);
    EXPECT_EQ(flow_.selectRow(0), FlowAnswer::Ignored);
}

TEST_F(InstallerFlow, ContinueFromTheIntroductionEntersThePaneForward) {
    EXPECT_EQ(flow_.next(), FlowAnswer::Done);
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
    EXPECT_EQ(pane_.calls, Calls{"enter forward"});
    EXPECT_EQ(flow_.paneView().rows.size(), 2u);
    EXPECT_EQ(flow_.entries(), 1);
}

TEST_F(InstallerFlow, GoBackAsksThePaneThenComingAgainRunsItsEntryAgain) {
    flow_.next();
    EXPECT_EQ(flow_.back(), FlowAnswer::Done);
    EXPECT_EQ(flow_.step(), FlowStep::Introduction);
    ASSERT_TRUE(flow_.lastExit());
    EXPECT_EQ(flow_.lastExit()->direction, InstallerDirectionBackward);
    EXPECT_TRUE(flow_.lastExit()->allowed);
    flow_.next();
    EXPECT_EQ(pane_.calls, (Calls{"enter forward", "exit backward", "enter forward"}));
    EXPECT_EQ(flow_.entries(), 2);
    EXPECT_EQ(flow_.exitCode(), 3);
}

TEST_F(InstallerFlow, AllowedContinueLeadsToTheSummaryAndGoingBackReentersBackward) {
    flow_.next();
    ASSERT_EQ(flow_.selectRow(1), FlowAnswer::Done);
    EXPECT_EQ(flow_.paneView().selectedIndex(), 1u);
    EXPECT_EQ(flow_.next(), FlowAnswer::Done);
    EXPECT_EQ(flow_.step(), FlowStep::Summary);
    EXPECT_TRUE(flow_.wentOn());
    ASSERT_TRUE(flow_.handoff());
    EXPECT_EQ(flow_.exitCode(), 0);
    EXPECT_EQ(flow_.back(), FlowAnswer::Done);
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
    EXPECT_FALSE(flow_.wentOn());
    EXPECT_EQ(pane_.calls, (Calls{"enter forward", "exit forward", "enter backward"}));
    flow_.next();
    flow_.next();
    EXPECT_EQ(flow_.step(), FlowStep::Finished);
    EXPECT_EQ(flow_.exitCode(), 0);
}

TEST_F(InstallerFlow, DisabledContinueDoesNotAskThePane) {
    pane_.rowsToList.clear();
    flow_.next();
    EXPECT_EQ(flow_.next(), FlowAnswer::ContinueDisabled);
    EXPECT_EQ(pane_.calls, Calls{"enter forward"});
    ASSERT_TRUE(flow_.lastExit());
    EXPECT_FALSE(flow_.lastExit()->askedPane);
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
}

TEST_F(InstallerFlow, TheSheetBlocksEverythingButItsButton) {
    pane_.allowForward = false;
    flow_.next();
    EXPECT_EQ(flow_.next(), FlowAnswer::PaneRefused);
    ASSERT_TRUE(flow_.lastExit()->sheet);
    EXPECT_EQ(flow_.lastExit()->sheet->message, "Gone.");
    EXPECT_EQ(flow_.next(), FlowAnswer::SheetOpen);
    EXPECT_EQ(flow_.back(), FlowAnswer::SheetOpen);
    EXPECT_EQ(flow_.selectRow(1), FlowAnswer::SheetOpen);
    EXPECT_EQ(pane_.calls, (Calls{"enter forward", "exit forward"}));

    EXPECT_EQ(flow_.dismissSheet(), FlowAnswer::Done);
    EXPECT_FALSE(flow_.paneView().sheet);
    // The pane disabled Continue when it refused; it stays so until the pane is entered anew.
    EXPECT_EQ(flow_.next(), FlowAnswer::ContinueDisabled);
    EXPECT_EQ(flow_.back(), FlowAnswer::Done);
    flow_.next();
    EXPECT_TRUE(flow_.paneView().nextEnabled);
}

TEST_F(InstallerFlow, RefusalWithoutASheetKeepsTheUserOnThePane) {
    pane_.allowForward = false;
    pane_.sheetOnRefusal = false;
    flow_.next();
    EXPECT_EQ(flow_.next(), FlowAnswer::PaneRefused);
    EXPECT_EQ(flow_.step(), FlowStep::Pane);
    EXPECT_FALSE(flow_.handoff());
    flow_.quit();
    EXPECT_EQ(flow_.step(), FlowStep::Finished);
    EXPECT_EQ(flow_.exitCode(), 3);
}

TEST_F(InstallerFlow, SelectingARowThatDoesNotExistChangesNothing) {
    flow_.next();
    EXPECT_EQ(flow_.selectRow(5), FlowAnswer::Ignored);
    EXPECT_EQ(flow_.paneView().selectedIndex(), 0u);
}

TEST_F(InstallerFlow, APaneThatStopsEndsTheRunWithoutItsHandoffList) {
    for (const char* stopIn : {"enter", "exit"}) {
        SCOPED_TRACE(stopIn);
        StoppingPane pane(stopIn);
        RecordingFrontEnd frontEnd;
        InstallFlow flow(pane, "Pack", frontEnd);
        flow.planInstall({});
        FlowAnswer answer = flow.next();
        if (std::string(stopIn) == "exit") {
            // The pane wrote its list and crashed before it answered: the list is not read.
            std::filesystem::create_directories(std::filesystem::path(installer::HandoffListPath()).parent_path());
            std::ofstream(installer::HandoffListPath()) << "<plist/>";
            answer = flow.next();
        }
        EXPECT_EQ(answer, FlowAnswer::PaneStopped);
        EXPECT_EQ(flow.step(), FlowStep::Finished);
        EXPECT_EQ(flow.exitCode(), 1);
        EXPECT_FALSE(flow.handoff().has_value());
        EXPECT_FALSE(flow.install().has_value());
        ASSERT_TRUE(frontEnd.outcome.has_value());
        EXPECT_EQ(frontEnd.outcome->paneStopped, "The pack's pane stopped: it crashed.");
        EXPECT_FALSE(frontEnd.outcome->wentOn);
        // Nothing more is asked of a stopped pane.
        EXPECT_EQ(flow.next(), FlowAnswer::Ignored);
        EXPECT_EQ(flow.back(), FlowAnswer::Ignored);
    }
}

// ---- The state the flow publishes: what Continue and Go Back can do, decided once ----------

TEST_F(InstallerFlow, StateTheIntroductionGoesOnIntoThePaneAndHasNothingBefore) {
    const installer::FlowState state = flow_.state();
    EXPECT_EQ(state.step, FlowStep::Introduction);
    EXPECT_EQ(state.packTitle, "Pack");
    EXPECT_EQ(state.continueAction, installer::ContinueAction::EnterPane);
    EXPECT_TRUE(state.canContinue);
    EXPECT_EQ(state.backAction, installer::BackAction::None);
    EXPECT_FALSE(state.canGoBack);
    EXPECT_EQ(state.steps, (std::vector<FlowStep>{FlowStep::Introduction, FlowStep::Pane,
                                                  FlowStep::Summary}));
}

TEST_F(InstallerFlow, StateShowsThePaneAheadOfItsEntryOnlyWhenAskedAndWithoutCallingIt) {
    EXPECT_TRUE(flow_.state().pane.title.empty());
    flow_.readPaneAhead();
    EXPECT_EQ(flow_.state().pane.title, "Destination");
    EXPECT_EQ(flow_.state().paneShown, 0);  // Nothing to paint as the pane's step yet.
    EXPECT_TRUE(pane_.calls.empty());
}

TEST_F(InstallerFlow, StateThePaneOffersContinueOnlyWhileItHasItEnabledAndNothingWhileItsSheetIsUp) {
    flow_.next();
    installer::FlowState state = flow_.state();
    EXPECT_EQ(state.continueAction, installer::ContinueAction::LeavePane);
    EXPECT_EQ(state.backAction, installer::BackAction::ToIntroduction);
    EXPECT_TRUE(state.canContinue);
    EXPECT_TRUE(state.canGoBack);

    pane_.allowForward = false;
    flow_.next();  // Refused, with a sheet.
    state = flow_.state();
    ASSERT_TRUE(state.sheetShown());
    EXPECT_FALSE(state.canContinue);
    EXPECT_FALSE(state.canGoBack);

    flow_.dismissSheet();
    state = flow_.state();
    // The pane turned Continue off when it refused; Go Back still works.
    EXPECT_FALSE(state.pane.nextEnabled);
    EXPECT_FALSE(state.canContinue);
    EXPECT_TRUE(state.canGoBack);
}

TEST_F(InstallerFlow, StateTheSummaryFinishesAndGoesBackIntoThePaneUntilSomethingIsInstalled) {
    flow_.next();
    flow_.next();
    installer::FlowState state = flow_.state();
    ASSERT_EQ(state.step, FlowStep::Summary);
    EXPECT_EQ(state.continueAction, installer::ContinueAction::Finish);
    EXPECT_EQ(state.backAction, installer::BackAction::ReenterPane);
    EXPECT_TRUE(state.canGoBack);
    ASSERT_TRUE(state.handoff);

    // The same summary once the pack is in: Go Back is gone.
    state.install = installer::InstallReport{};
    state.install->installed = true;
    installer::DecideControls(state);
    EXPECT_EQ(state.backAction, installer::BackAction::None);
    EXPECT_FALSE(state.canGoBack);
    EXPECT_TRUE(state.canContinue);
    // A failed install leaves the way back open.
    state.install->installed = false;
    installer::DecideControls(state);
    EXPECT_TRUE(state.canGoBack);
}

TEST_F(InstallerFlow, StateWhileThePaneWorksNeitherButtonCanBePressed) {
    flow_.next();
    flow_.next();
    int waiting = 0;
    for (const FlowState& state : frontEnd_.states) {
        if (!state.wait) continue;
        ++waiting;
        EXPECT_FALSE(state.canContinue);
        EXPECT_FALSE(state.canGoBack);
    }
    EXPECT_EQ(waiting, 2);  // Entering the pane, then leaving it.
}

TEST_F(InstallerFlow, StateEveryChangeIsHandedOverAndTheLastStateIsTheFlowsOwn) {
    flow_.next();
    ASSERT_FALSE(frontEnd_.states.empty());
    EXPECT_EQ(frontEnd_.states.front().wait, installer::FlowWait::EnteringPane);
    // The wait is told while the flow still stands where the person asked to leave it.
    EXPECT_EQ(frontEnd_.states.front().step, FlowStep::Introduction);
    const std::size_t before = frontEnd_.states.size();
    flow_.selectRow(1);
    ASSERT_EQ(frontEnd_.states.size(), before + 1);
    EXPECT_EQ(frontEnd_.states.back().pane.selectedIndex(), 1u);
    EXPECT_EQ(frontEnd_.states.back().pane.selectedIndex(), flow_.state().pane.selectedIndex());

    flow_.quit();
    const FlowState& last = frontEnd_.states.back();
    EXPECT_EQ(last.step, FlowStep::Finished);
    ASSERT_TRUE(last.outcome);
    EXPECT_EQ(last.outcome->exitCode, 3);
    EXPECT_FALSE(last.canContinue);
    EXPECT_FALSE(last.canGoBack);
}

}  // namespace
}  // namespace installer_test
