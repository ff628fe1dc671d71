// The interactive installer never acts on what the person cannot see, scrolls long lists,
// speaks the user's language, asks line by line where the screen cannot be drawn, and ends
// cleanly on Ctrl-C and SIGTERM. Driven through tmux as a person would.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer_program.h"
#include "tmux_session.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

bool Shows(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

// The handoff list's value for `key`, read by Python's plistlib.
std::string HandoffValue(const std::string& path, const std::string& key) {
    const ProgramResult result = RunProgram(
        "/usr/bin/python3",
        {"-c", "import plistlib,sys;print(plistlib.load(open(sys.argv[1],'rb'))[sys.argv[2]])",
         path, key});
    return result.exitCode == 0 ? result.out : "(unreadable: " + result.err + ")";
}

class TerminalSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists("/usr/bin/tmux")) GTEST_SKIP() << "tmux is not installed";
    }
    // `count` maker copies, the n-th titled "Quillet copy n" with serial "EM-n".
    void AddCopies(int count) {
        std::vector<packgate_test::MakerHost> hosts;
        for (int i = 1; i <= count; ++i) {
            packgate_test::MakerHost host;
            host.name = "quillet" + std::to_string(i);
            host.productTitle = "Quillet copy " + std::to_string(i);
            host.em2 = "EM-" + std::to_string(i);
            hosts.push_back(host);
        }
        machine_.addMakerHosts(hosts);
    }
    std::vector<std::string> Arguments() const {
        return {"--bundle", kBundle, "--root", machine_.root(), "--home", machine_.home()};
    }

    packgate_test::FakeMachine machine_;
};

TEST_F(TerminalSafety, KeysDoNothingWhileTheScreenIsTooSmallExceptQ) {
    AddCopies(30);
    Tmux tmux(Arguments(), 80, 24);
    tmux.waitFor({"Welcome to the"});
    tmux.send("Enter");
    tmux.waitFor({"(*) Quillet copy 1\n"});
    tmux.resize(20, 6);
    tmux.waitFor({"20x6"}, {"Quillet copy"});
    for (int i = 0; i < 20; ++i) tmux.send("Down");
    for (int i = 0; i < 3; ++i) tmux.send("Enter");
    tmux.send("c");
    tmux.resize(80, 24);
    // Nothing moved and nothing was committed while the person could not see.
    const std::string screen = tmux.waitFor({"(*) Quillet copy 1\n", "[ Continue ]"}, {"20x6"});
    EXPECT_FALSE(fs::exists(machine_.handoffListPath())) << screen;
    EXPECT_TRUE(Shows(screen, "1-")) << screen;

    tmux.resize(20, 6);
    tmux.waitFor({"20x6"});
    tmux.send("q");  // The one key that works: quits without a box that would not fit.
    const std::string end = tmux.waitFor({"EXIT="});
    EXPECT_TRUE(Shows(end, "EXIT=3")) << end;
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

TEST_F(TerminalSafety, FortyCopiesScrollAtEightyByTwentyFourAndTheChosenOneIsCommitted) {
    AddCopies(40);
    Tmux tmux(Arguments(), 80, 24);
    tmux.waitFor({"Welcome to the"});
    tmux.send("Enter");
    std::string screen = tmux.waitFor({"(*) Quillet copy 1\n", " of 40"});
    EXPECT_FALSE(Shows(screen, "Quillet copy 40")) << screen;
    tmux.send("End");
    screen = tmux.waitFor({"(*) Quillet copy 40", "-40 of 40"});
    EXPECT_FALSE(Shows(screen, "Quillet copy 1\n")) << screen;
    tmux.send("Home");
    tmux.waitFor({"(*) Quillet copy 1\n"});
    tmux.send("PageDown");
    screen = tmux.waitFor({"(*) Quillet copy "}, {"(*) Quillet copy 1\n"});
    // Which row PageDown selected, read from the screen the person sees.
    const std::size_t at = screen.find("(*) Quillet copy ") + 17;
    const std::string paged = screen.substr(at, screen.find_first_not_of("0123456789", at) - at);
    ASSERT_FALSE(paged.empty()) << screen;
    ASSERT_NE(paged, "1");
    for (int i = 0; i < 3; ++i) tmux.send("Down");
    tmux.send("Up");
    // Every key is taken, however slowly the screen follows: two rows further down.
    const std::string number = std::to_string(std::stoi(paged) + 2);
    tmux.waitFor({"(*) Quillet copy " + number + "\n"});
    tmux.send("c");
    tmux.waitFor({"[ Finish ]", "ContInstallPath"});
    tmux.send("Enter");
    const std::string end = tmux.waitFor({"EXIT="});
    EXPECT_TRUE(Shows(end, "EXIT=0")) << end;
    EXPECT_EQ(HandoffValue(machine_.handoffListPath(), "EM2"), "EM-" + number + "\n");
}

TEST_F(TerminalSafety, TraditionalChineseScreensAreTranslatedAndAligned) {
    AddCopies(2);
    Tmux tmux(Arguments(), 80, 24, {"LC_ALL=zh_TW.UTF-8", "LANG=zh_TW.UTF-8"});
    std::string screen = tmux.waitFor({"歡迎使用", "[ 繼續 ]", "安裝報告"});
    EXPECT_FALSE(Shows(screen, "Continue")) << screen;
    EXPECT_FALSE(Shows(screen, "Introduction")) << screen;
    tmux.send("Enter");
    screen = tmux.waitFor({"(*) Quillet copy 1", "[ 返回 ]  [ 繼續 ]", "l 記錄"});
    EXPECT_FALSE(Shows(screen, "Go Back")) << screen;
    // The buttons end two columns before the edge, counting each wide character as two: the
    // line's display width is the terminal's width less the margin.
    for (const std::string& line : Lines(screen)) {
        if (!Shows(line, "[ 繼續 ]")) continue;
        std::size_t columns = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const auto byte = static_cast<unsigned char>(line[i]);
            if ((byte & 0xC0u) == 0x80u) continue;
            columns += byte >= 0xE0u ? 2 : 1;  // These texts' wide characters are 3 bytes.
        }
        EXPECT_EQ(columns, 78u) << line;
    }
    tmux.send("q");
    screen = tmux.waitFor({"要結束安裝程式嗎？", "y 結束"});
    tmux.send("n");
    tmux.send("l");
    tmux.waitFor({"安裝記錄", "共"});
    tmux.send("Escape");
    tmux.send("c");
    tmux.waitFor({"摘要", "[ 完成 ]"});
}

TEST_F(TerminalSafety, ADumbTerminalAsksLineByLine) {
    AddCopies(2);
    {
        Tmux tmux(Arguments(), 80, 24, {"TERM=dumb"});
        tmux.waitFor({"Welcome to the", "Press Enter to continue"});
        tmux.send("Enter");
        tmux.waitFor({"  0) Quillet copy 1", "  1) Quillet copy 2", "Choose 0-1 [0]"});
        tmux.type("7");
        tmux.send("Enter");
        tmux.waitFor({"Type a row number from 0 to 1"});
        tmux.type("1");
        tmux.send("Enter");
        tmux.waitFor({"Press Enter to finish"});
        tmux.send("Enter");
        const std::string end = tmux.waitFor({"EXIT="});
        EXPECT_TRUE(Shows(end, "EXIT=0")) << end;
        EXPECT_EQ(HandoffValue(machine_.handoffListPath(), "EM2"), "EM-2\n");
        fs::remove(machine_.handoffListPath());
    }
    {
        Tmux tmux(Arguments(), 80, 24, {"TERM=dumb"});
        tmux.waitFor({"Press Enter to continue"});
        tmux.send("Enter");
        tmux.waitFor({"Choose 0-1 [0]"});
        tmux.type("q");
        tmux.send("Enter");
        EXPECT_TRUE(Shows(tmux.waitFor({"EXIT="}), "EXIT=3"));
    }
    {
        Tmux tmux(Arguments(), 80, 24, {"TERM="});  // Unset: the same, and EOF is a quit.
        tmux.waitFor({"Press Enter to continue"});
        tmux.send("Enter");
        tmux.waitFor({"Choose 0-1 [0]"});
        tmux.send("C-d");
        EXPECT_TRUE(Shows(tmux.waitFor({"EXIT="}), "EXIT=3"));
    }
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

TEST_F(TerminalSafety, InterruptsRestoreTheTerminalLogAndExitWithTheirCodes) {
    AddCopies(2);
    for (const auto& [signal, code] : {std::pair{SIGINT, 130}, {SIGTERM, 143}}) {
        Tmux tmux(Arguments(), 80, 24);
        tmux.waitFor({"Welcome to the"});
        tmux.send("Enter");
        tmux.waitFor({"(*) Quillet copy 1"});
        if (signal == SIGINT) {
            tmux.send("C-c");
        } else {
            const int pid = tmux.programPid();
            ASSERT_GT(pid, 0);
            ASSERT_EQ(kill(pid, SIGTERM), 0);
        }
        const std::string end = tmux.waitFor({"EXIT="});
        EXPECT_TRUE(Shows(end, "EXIT=" + std::to_string(code) + " TTY=icanon,echo,")) << end;
        EXPECT_TRUE(Shows(end, signal == SIGINT ? "Interrupted by SIGINT" : "Interrupted by SIGTERM"))
            << end;
    }
    const ProgramResult log = RunProgram(
        "/bin/grep", {"-c", "Interrupted by SIG", machine_.home() + "/Library/Logs/Packgate-install.log"});
    EXPECT_EQ(log.out, "2\n");
}

TEST_F(TerminalSafety, NoColorDropsColoursAndKeepsReverse) {
    AddCopies(2);
    Tmux coloured(Arguments(), 80, 24);
    Tmux plain(Arguments(), 80, 24, {"NO_COLOR=1"});
    for (Tmux* tmux : {&coloured, &plain}) {
        tmux->waitFor({"Welcome to the"});
        tmux->send("Enter");
        tmux->waitFor({"(*) Quillet copy 1"});
    }
    // The selected row: black on cyan in colour, reverse video without.
    const std::string withColour = coloured.styledScreen();
    const std::string without = plain.styledScreen();
    EXPECT_TRUE(Shows(withColour, "46m") || Shows(withColour, ";46")) << withColour;
    EXPECT_FALSE(Shows(without, "46m") || Shows(without, ";46")) << without;
    EXPECT_FALSE(Shows(without, "44m") || Shows(without, ";44")) << without;  // The header's blue.
    EXPECT_TRUE(Shows(without, "\x1b[7m") || Shows(without, ";7m")) << without;
}

}  // namespace
}  // namespace installer_test
