// The pack's pane runs apart from packgate-installer: not as root, with nothing of the
// installer's but its socket, and whatever it does (crash, hang, early exit, garbage, a
// flood) every front end says the pane stopped and why, the log has one line, nothing is
// installed or handed off, and the exit status is 1.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "faulty_pane.h"
#include "installer_program.h"
#include "tmux_session.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

// The value after `key` on its line of the identity the faulty pane put in its label.
std::string Field(const std::string& label, const std::string& key) {
    std::istringstream lines(label);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key, 0) == 0) return line.substr(key.size());
    }
    return "(missing " + key + ")";
}

class PaneApart : public ::testing::Test {
  protected:
    void SetUp() override { machine_.addMakerHost({}); }
    std::string log() const { return machine_.folder() + "/run.log"; }

    packgate_test::FakeMachine machine_;
};

TEST_F(PaneApart, RunsWithoutRootPrivilegesDescriptorsOrEnvironment) {
    const ProgramResult result =
        RunFaulty("Identity", machine_, log(), {"--json", "--choose", "0"},
                  {{"PACKGATE_SECRET", "x"}, {"TZ", "UTC"}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string label = ParseReport(result)["label"].get<std::string>();
    // Only the socket on 3, and /dev/null on the standard three.
    EXPECT_EQ(Field(label, "Fds:"), " 0 1 2 3") << label;
    EXPECT_EQ(Field(label, "NoNewPrivs:"), "\t1") << label;
    const std::string environment = Field(label, "Env:");
    EXPECT_EQ(environment.find("PACKGATE_SECRET"), std::string::npos) << environment;
    EXPECT_EQ(environment.find("PATH"), std::string::npos) << environment;
    EXPECT_NE(environment.find("HOME"), std::string::npos) << environment;
    EXPECT_NE(environment.find("TZ"), std::string::npos) << environment;
    if (::geteuid() != 0) GTEST_SKIP() << "the drop from root needs root";
    // The home's owner, in every one of real, effective, saved and file-system ids.
    struct stat home {};
    ASSERT_EQ(::stat(machine_.home().c_str(), &home), 0);
    const std::string id = std::to_string(home.st_uid);
    EXPECT_EQ(Field(label, "Uid:"), "\t" + id + "\t" + id + "\t" + id + "\t" + id) << label;
    EXPECT_EQ(Field(label, "CapEff:"), "\t0000000000000000") << label;
    EXPECT_EQ(Field(label, "CapPrm:"), "\t0000000000000000") << label;
}

struct Fault {
    std::string module;
    std::string why;  // The start of the reason every front end shows.
};

class PaneFault : public PaneApart, public ::testing::WithParamInterface<Fault> {};

TEST_P(PaneFault, ScriptedAndJsonRunsSayWhyAndExitOne) {
    // A flood must be cut short by its size, long before a time limit could end it.
    const std::map<std::string, std::string> limit{
        {"PACKGATE_PANE_TIMEOUT_MS", GetParam().module == "FloodInEntry" ? "60000" : "400"}};
    const ProgramResult text = RunFaulty(GetParam().module, machine_, log(), {"--choose", "0"}, limit);
    EXPECT_EQ(text.exitCode, 1) << text.err;
    EXPECT_EQ(text.signal, 0);
    const std::string said = "packgate-installer: The pack's pane stopped: " + GetParam().why;
    EXPECT_NE(text.err.find(said), std::string::npos) << text.err;
    EXPECT_EQ(StopLines(log()).size(), 1u) << ReadFile(log());
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));

    const ProgramResult json =
        RunFaulty(GetParam().module, machine_, log(), {"--json", "--choose", "0"}, limit);
    EXPECT_EQ(json.exitCode, 1) << json.err;
    const auto report = ParseReport(json);
    EXPECT_EQ(report["exit_code"], 1);
    EXPECT_NE(report["error"].get<std::string>().find(GetParam().why), std::string::npos) << json.out;
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PaneFault,
    ::testing::Values(Fault{"CrashInTitle", "it crashed (signal 11"},
                      Fault{"CrashInEntry", "it crashed (signal 11"},
                      Fault{"CrashInExit", "it crashed (signal 11"},
                      Fault{"ExitInEntry", "it ended early with exit status 7"},
                      Fault{"HangInEntry", "it did not answer within 0.4 seconds"},
                      Fault{"GarbageInEntry", "it sent an unreadable answer"},
                      Fault{"FloodInEntry", "it sent an unreadable answer"},
                      Fault{"OverrunInEntry", "it "}),
    [](const auto& param) { return param.param.module; });

TEST_F(PaneApart, TheTerminalScreenIsRestoredAndSaysWhy) {
    const FaultyBundle bundle("CrashInEntry");
    Tmux tmux(FaultyArguments(bundle, machine_, log()), 100, 30);
    tmux.waitFor({"Welcome to the"});
    tmux.send("Enter");
    const std::string end = tmux.waitFor({"EXIT="});
    EXPECT_NE(end.find("The pack's pane stopped: it crashed (signal 11"), std::string::npos) << end;
    EXPECT_NE(end.find("EXIT=1 TTY=icanon,echo"), std::string::npos) << end;
}

TEST_F(PaneApart, LineModeSaysWhy) {
    const FaultyBundle bundle("CrashInExit");
    Tmux tmux(FaultyArguments(bundle, machine_, log()), 100, 30, {"TERM=dumb"});
    tmux.waitFor({"Press Enter to continue"});
    tmux.send("Enter");
    tmux.waitFor({"Choose 0-0 [0]"});
    tmux.send("Enter");
    const std::string end = tmux.waitFor({"EXIT="});
    EXPECT_NE(end.find("The pack's pane stopped: it crashed (signal 11"), std::string::npos) << end;
    EXPECT_NE(end.find("EXIT=1"), std::string::npos) << end;
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

}  // namespace
}  // namespace installer_test
