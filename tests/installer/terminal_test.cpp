// The interactive installer driven through a real terminal as a person would: tmux runs it
// in a window of fixed size, the test types keys and reads the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "installer_program.h"
#include "tmux_session.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool Shows(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

class TerminalInstaller : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists("/usr/bin/tmux")) GTEST_SKIP() << "tmux is not installed";
        maker_ = machine_.addMakerHost({});
        packgate_test::StoreHost store;
        store.createTemplateFolder = false;  // Continue on this copy shows the sheet.
        machine_.addStoreHost(store);
    }
    std::vector<std::string> Arguments() const {
        return {"--bundle", kBundle, "--root", machine_.root(), "--home", machine_.home()};
    }

    packgate_test::FakeMachine machine_;
    packgate_test::MakerHostFiles maker_;
};

TEST_F(TerminalInstaller, ChoosesACopyGetsTheSheetGoesBackAndFinishes) {
    Tmux tmux(Arguments(), 80, 24);
    // The list of steps names the pane's step by the pane's title before it is entered.
    tmux.waitFor({"Welcome to the Quillet Storyboard Essentials Pack", "[ Continue ]",
                  "Introduction > " + BundleText("Title") + " > "});

    tmux.send("Enter");
    tmux.waitFor({BundleText("Title"), "Select the copy of Quillet",  // The label, wrapped.
                  "(*) Quillet 5 Studio", "( ) Quillet 5 ( Apple Store )"});
    tmux.send("Down");
    tmux.waitFor({"( ) Quillet 5 Studio", "(*) Quillet 5 ( Apple Store )"});

    // The App Store copy's template folder is missing: the pane refuses with its sheet.
    tmux.send("c");
    tmux.waitFor(
        {"The template folder of the selected copy", "[ " + BundleText("OK_BUTTON") + " ]"});
    tmux.send("b");  // The sheet is modal: Go Back does nothing now.
    tmux.send("Enter");
    tmux.waitFor({"(*) Quillet 5 ( Apple Store )"}, {"The template folder of the selected copy"});

    // Continue stays disabled until the pane is entered anew.
    tmux.send("c");
    tmux.waitFor({"Continue is disabled"});
    tmux.send("b");
    tmux.waitFor({"Welcome to the"});
    tmux.send("Enter");  // The pane looks for the copies again; the selection stays.
    tmux.waitFor({"( ) Quillet 5 Studio", "(*) Quillet 5 ( Apple Store )"});
    tmux.send("Up");
    tmux.waitFor({"(*) Quillet 5 Studio", "( ) Quillet 5 ( Apple Store )"});
    tmux.send("c");
    const std::string summary = tmux.waitFor({"Handoff list:", "[ Finish ]", "ContInstallPath"});
    EXPECT_TRUE(Shows(summary, "PRODUCT_TYPE      KZ")) << summary;
    EXPECT_TRUE(fs::exists(machine_.handoffListPath()));

    tmux.send("Enter");
    const std::string end = tmux.waitFor({"The pane let the installation go on.", "EXIT="});
    EXPECT_TRUE(Shows(end, "EXIT=0")) << end;
}

TEST_F(TerminalInstaller, ASmallWindowSaysSoAndTheScreenRedrawsWhenItGrows) {
    Tmux tmux(Arguments(), 80, 24);
    tmux.waitFor({"Welcome to the"});
    tmux.send("Enter");
    tmux.waitFor({"(*) Quillet 5 Studio"});
    tmux.resize(36, 10);
    tmux.waitFor({"too small"}, {"Quillet 5 Studio"});
    tmux.resize(60, 20);
    tmux.waitFor({"(*) Quillet 5 Studio"}, {"too small"});
}

TEST_F(TerminalInstaller, TheLogIsShownOnRequestAndQuitAsksFirst) {
    Tmux tmux(Arguments(), 100, 30);
    tmux.waitFor({"Welcome to the"});
    tmux.send("Enter");
    const std::string pane = tmux.waitFor({"(*) Quillet 5 Studio", "[ Continue ]"});
    EXPECT_FALSE(Shows(pane, "didEnterPane"));  // Log lines never over the pane.
    tmux.send("l");
    // The newest lines first, under the log file's path.
    tmux.waitFor({"Install log: ", "/Library/Logs/Packgate-install.log", "Exit Yes"});
    tmux.send("Home");  // The oldest lines of this run.
    tmux.waitFor({"didEnterPane"});
    tmux.send("Escape");
    tmux.waitFor({"(*) Quillet 5 Studio"}, {"didEnterPane"});
    tmux.send("q");
    tmux.waitFor({"Quit the installer?"});
    tmux.send("y");
    const std::string end = tmux.waitFor({"EXIT="});
    EXPECT_TRUE(Shows(end, "EXIT=3")) << end;
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

}  // namespace
}  // namespace installer_test
