// The pack's pane misbehaving in its own process: each fault ends the run with exit status 1
// and one line in the install log, leaves the user's home as it was and no handoff list,
// and never takes the installer down with it (no signal ends packgate-installer).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "fault_tally.h"
#include "faulty_pane.h"
#include "installer_program.h"
#include "tree_snapshot.h"

namespace {

using installer_test::ProgramResult;

class PaneApartFaults : public ::testing::TestWithParam<std::string> {};

TEST_P(PaneApartFaults, EndsTheRunWithNothingLost) {
    packgate_reliability::FaultCase fault("pane apart", GetParam());
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    machine.addStoreHost({});
    const std::string log = machine.folder() + "/run.log";
    installer_test::HandHomeToItsUser({"--home", machine.home()});  // as the run will
    const auto before = packgate_test::SnapshotTree(machine.home());
    const std::map<std::string, std::string> limit{
        {"PACKGATE_PANE_TIMEOUT_MS", GetParam() == "FloodInEntry" ? "60000" : "300"}};
    const ProgramResult result =
        installer_test::RunFaulty(GetParam(), machine, log, {"--json", "--choose", "0"}, limit);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(installer_test::StopLines(log).size(), 1u) << installer_test::ReadFile(log);
    EXPECT_FALSE(std::filesystem::exists(machine.handoffListPath()));
    const std::string changed =
        packgate_test::FirstDifference(before, packgate_test::SnapshotTree(machine.home()));
    if (!changed.empty()) fault.dataLost();
    EXPECT_EQ(changed, "");
}

INSTANTIATE_TEST_SUITE_P(Faults, PaneApartFaults,
                         ::testing::Values("CrashInTitle", "CrashInEntry", "CrashInExit",
                                           "HangInEntry", "OverrunInEntry", "ExitInEntry",
                                           "FloodInEntry", "GarbageInEntry"));

}  // namespace
