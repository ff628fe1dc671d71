// What the install flow tells its front end, and when.
#include <gtest/gtest.h>

#include "fake_pane.h"
#include "foundation/search_paths.h"
#include "installer/model/install_flow.h"
#include "program_runner.h"
#include "recording_front_end.h"

namespace installer_test {
namespace {

using installer::FlowStep;
using installer::InstallFlow;
using Calls = std::vector<std::string>;

class InstallerFlowTells : public ::testing::Test {
  protected:
    void SetUp() override {
        foundation::SetHomeFolder(home_.path());
        frontEnd_.watched = &flow_;
    }
    void TearDown() override { foundation::SetHomeFolder({}); }

    // The calls since the last look.
    Calls Since() {
        Calls calls(frontEnd_.calls.begin() + static_cast<long>(seen_), frontEnd_.calls.end());
        seen_ = frontEnd_.calls.size();
        return calls;
    }

    TemporaryFolder home_;
    FakePane pane_;
    RecordingFrontEnd frontEnd_;
    InstallFlow flow_{pane_, "Pack", frontEnd_};
    std::size_t seen_ = 0;
};

TEST_F(InstallerFlowTells, EntryIsAWaitThenThePaneStepAndWhatThePaneShows) {
    flow_.next();
    EXPECT_EQ(Since(), (Calls{"wait entering", "end entering", "step Pane",
                              "pane 2 rows, selected 0, next on"}));
    // The wait is shown over the step being left, not over a pane that has not looked yet.
    EXPECT_EQ(frontEnd_.stepsDuringWaits, std::vector<FlowStep>{FlowStep::Introduction});
}

TEST_F(InstallerFlowTells, ChoosingARowShowsThePaneAgainButAMissingRowSaysNothing) {
    flow_.next();
    Since();
    flow_.selectRow(1);
    EXPECT_EQ(Since(), Calls{"pane 2 rows, selected 1, next on"});
    flow_.selectRow(7);
    EXPECT_TRUE(Since().empty());
}

TEST_F(InstallerFlowTells, ARefusalShowsThePaneWithItsSheetUntilTheButtonIsPressed) {
    pane_.allowForward = false;
    flow_.next();
    Since();
    flow_.next();
    EXPECT_EQ(Since(), (Calls{"wait leaving", "end leaving",
                              "pane 2 rows, selected 0, next off, sheet", "sheet Gone."}));
    flow_.next();  // Refused at once while the sheet is up: nothing happened.
    EXPECT_TRUE(Since().empty());
    flow_.dismissSheet();
    EXPECT_EQ(Since(), Calls{"pane 2 rows, selected 0, next off"});
}

TEST_F(InstallerFlowTells, DisabledContinueCallsNothingAndTellsNothing) {
    pane_.rowsToList.clear();
    flow_.next();
    Since();
    flow_.next();
    EXPECT_TRUE(Since().empty());
}

TEST_F(InstallerFlowTells, GoingOnEndsInOneOutcomeWithTheHandoffList) {
    flow_.next();
    flow_.next();
    EXPECT_EQ(Since().back(), "step Summary");
    EXPECT_FALSE(frontEnd_.outcome);
    flow_.next();
    flow_.quit();  // Already finished: told once only.
    EXPECT_EQ(Since(), Calls{"finished 0"});
    ASSERT_TRUE(frontEnd_.outcome);
    EXPECT_TRUE(frontEnd_.outcome->wentOn);
    ASSERT_TRUE(frontEnd_.outcome->handoff);
    EXPECT_EQ(frontEnd_.outcome->handoff->path, installer::HandoffListPath());
    EXPECT_EQ(frontEnd_.outcome->entries, 1);
    EXPECT_EQ(frontEnd_.outcome->exitCode, 0);
}

TEST_F(InstallerFlowTells, ComingBackFromTheSummaryAndQuittingHasNoHandoffList) {
    flow_.next();
    flow_.next();
    flow_.back();
    EXPECT_EQ(frontEnd_.stepsDuringWaits,
              (std::vector<FlowStep>{FlowStep::Introduction, FlowStep::Pane, FlowStep::Summary}));
    flow_.quit();
    ASSERT_TRUE(frontEnd_.outcome);
    EXPECT_FALSE(frontEnd_.outcome->wentOn);
    EXPECT_FALSE(frontEnd_.outcome->handoff);
    EXPECT_EQ(frontEnd_.outcome->entries, 2);
    EXPECT_EQ(frontEnd_.outcome->exitCode, 3);
}

TEST_F(InstallerFlowTells, GoingBackToTheIntroductionIsAWaitThenTheStep) {
    flow_.next();
    Since();
    flow_.back();
    EXPECT_EQ(Since(), (Calls{"wait leaving", "end leaving", "pane 2 rows, selected 0, next on",
                              "step Introduction"}));
}

}  // namespace
}  // namespace installer_test
