// The flow's published state: what Continue and Go Back can do at each step, decided once by
// the flow, and a state handed to the front end after every change.
#include "installer/model/flow_state.h"

#include <gtest/gtest.h>

#include "fake_pane.h"
#include "foundation/search_paths.h"
#include "installer/model/install_flow.h"
#include "program_runner.h"
#include "recording_front_end.h"

namespace installer_test {
namespace {

using installer::BackAction;
using installer::ContinueAction;
using installer::FlowState;
using installer::FlowStep;
using installer::FlowWait;
using installer::InstallFlow;

class FlowStateTest : public ::testing::Test {
  protected:
    void SetUp() override { foundation::SetHomeFolder(home_.path()); }
    void TearDown() override { foundation::SetHomeFolder({}); }

    TemporaryFolder home_;
    FakePane pane_;
    RecordingFrontEnd frontEnd_;
    InstallFlow flow_{pane_, "Pack", frontEnd_};
};

TEST_F(FlowStateTest, TheIntroductionGoesOnIntoThePaneAndHasNothingBefore) {
    const FlowState state = flow_.state();
    EXPECT_EQ(state.step, FlowStep::Introduction);
    EXPECT_EQ(state.packTitle, "Pack");
    EXPECT_EQ(state.continueAction, ContinueAction::EnterPane);
    EXPECT_TRUE(state.canContinue);
    EXPECT_EQ(state.backAction, BackAction::None);
    EXPECT_FALSE(state.canGoBack);
    EXPECT_EQ(state.steps, (std::vector<FlowStep>{FlowStep::Introduction, FlowStep::Pane,
                                                  FlowStep::Summary}));
}

TEST_F(FlowStateTest, ThePaneOffersContinueOnlyWhileItHasItEnabledAndNothingWhileItsSheetIsUp) {
    flow_.next();
    FlowState state = flow_.state();
    EXPECT_EQ(state.continueAction, ContinueAction::LeavePane);
    EXPECT_EQ(state.backAction, BackAction::ToIntroduction);
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

TEST_F(FlowStateTest, TheSummaryFinishesAndGoesBackIntoThePaneUntilSomethingIsInstalled) {
    flow_.next();
    flow_.next();
    FlowState state = flow_.state();
    ASSERT_EQ(state.step, FlowStep::Summary);
    EXPECT_EQ(state.continueAction, ContinueAction::Finish);
    EXPECT_EQ(state.backAction, BackAction::ReenterPane);
    EXPECT_TRUE(state.canGoBack);
    ASSERT_TRUE(state.handoff);

    // The same summary once the pack is in: Go Back is gone.
    state.install = installer::InstallReport{};
    state.install->installed = true;
    installer::DecideControls(state);
    EXPECT_EQ(state.backAction, BackAction::None);
    EXPECT_FALSE(state.canGoBack);
    EXPECT_TRUE(state.canContinue);
    // A failed install leaves the way back open.
    state.install->installed = false;
    installer::DecideControls(state);
    EXPECT_TRUE(state.canGoBack);
}

TEST_F(FlowStateTest, WhileThePaneWorksNeitherButtonCanBePressed) {
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

TEST_F(FlowStateTest, EveryChangeIsHandedOverAndTheLastStateIsTheFlowsOwn) {
    flow_.next();
    ASSERT_FALSE(frontEnd_.states.empty());
    EXPECT_EQ(frontEnd_.states.front().wait, FlowWait::EnteringPane);
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
