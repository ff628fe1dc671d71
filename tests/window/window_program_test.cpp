// How the built program picks the window: a display named and nothing scripted asked. A
// display that cannot be opened falls back with one line; scripted options never try it.
#include <gtest/gtest.h>

#include "installer_program.h"

namespace installer_test {
namespace {

const std::string kFallback =
    "packgate-installer: cannot open a window on this display; using the terminal\n";

class WindowChoice : public ::testing::Test {
  protected:
    void SetUp() override { machine_.addMakerHost({}); }
    packgate_test::FakeMachine machine_;
};

// No X server answers on display 9999, so Qt cannot open it.
const std::map<std::string, std::string> kDeadDisplay{{"DISPLAY", ":9999"}};

TEST_F(WindowChoice, ADisplayThatDoesNotOpenFallsBackWithOneLine) {
    const ProgramResult result = RunOnMachine(machine_, {}, kDeadDisplay);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, kFallback);
    // Standard input is not a terminal, so the run goes on scripted.
    EXPECT_NE(result.out.find("The pane let the installation go on."), std::string::npos);

    const ProgramResult forced = RunOnMachine(machine_, {"--gui"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(forced.err, kFallback);
}

TEST_F(WindowChoice, ScriptedOrTerminalRunsNeverTryTheWindow) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--json"}, {"--choose", "0"}, {"--back"}, {"--terminal"}}) {
        const ProgramResult result = RunOnMachine(machine_, arguments, kDeadDisplay);
        EXPECT_EQ(result.err, "") << arguments[0];
        EXPECT_NE(result.exitCode, 2) << arguments[0];
    }
    const ProgramResult refused = RunOnMachine(machine_, {"--gui", "--json"}, kDeadDisplay);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--gui cannot be combined"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace installer_test
