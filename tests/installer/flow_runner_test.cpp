// The flow's requests on the runner's thread: one at a time, in the order posted, each answer
// told to whoever posted it, and never on the thread that posted.
#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <vector>

#include "fake_pane.h"
#include "foundation/search_paths.h"
#include "installer/model/flow_runner.h"
#include "program_runner.h"
#include "recording_front_end.h"

namespace installer_test {
namespace {

using installer::FlowAnswer;
using installer::FlowRunner;
using installer::FlowStep;
using installer::InstallFlow;

class FlowRunnerTest : public ::testing::Test {
  protected:
    void SetUp() override { foundation::SetHomeFolder(home_.path()); }
    void TearDown() override { foundation::SetHomeFolder({}); }

    TemporaryFolder home_;
    RecordingFrontEnd frontEnd_;
};

TEST_F(FlowRunnerTest, RequestsRunInOrderOffThePostingThreadAndTellTheirAnswers) {
    HeldPane pane;
    InstallFlow flow(pane, "Pack", frontEnd_);
    std::vector<FlowAnswer> answers;
    std::vector<std::thread::id> threads;
    std::vector<installer::FlowState> states;
    {
        FlowRunner runner(flow);
        auto record = [&](FlowAnswer answer, const installer::FlowState& state) {
            answers.push_back(answer);
            states.push_back(state);
            threads.push_back(std::this_thread::get_id());
        };
        runner.post([](InstallFlow& f) { return f.next(); }, record);  // Held in the pane.
        pane.entered.wait();
        // While the pane works, later requests wait their turn.
        runner.post([](InstallFlow& f) { return f.selectRow(1); }, record);
        runner.post([](InstallFlow& f) { return f.back(); }, record);
        EXPECT_TRUE(runner.busy());
        EXPECT_FALSE(runner.waitIdle(std::chrono::milliseconds(1)));
        pane.release.count_down();
        ASSERT_TRUE(runner.waitIdle(std::chrono::seconds(60)));
        EXPECT_FALSE(runner.busy());
    }
    EXPECT_EQ(answers, (std::vector<FlowAnswer>{FlowAnswer::Done, FlowAnswer::Done,
                                                FlowAnswer::Done}));
    ASSERT_EQ(threads.size(), 3u);
    // Each answer comes with the flow as the request left it.
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[0].step, installer::FlowStep::Pane);
    EXPECT_EQ(states[1].pane.selectedIndex(), 1u);
    EXPECT_EQ(states[2].step, installer::FlowStep::Introduction);
    for (const auto& id : threads) {
        EXPECT_NE(id, std::this_thread::get_id());
        EXPECT_EQ(id, threads.front());
    }
    EXPECT_EQ(flow.step(), FlowStep::Introduction);  // Entered, row 1 chosen, back out.
    EXPECT_EQ(pane.calls.back(), "exit backward");
}

}  // namespace
}  // namespace installer_test
