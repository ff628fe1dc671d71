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

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Quotes `text` for sh.
std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

class Tmux {
  public:
    // Runs `arguments` of packgate-installer in a new tmux server of its own; the shell
    // prints the exit code when the program ends and keeps the window open.
    Tmux(const std::vector<std::string>& arguments, int width, int height) {
        static std::atomic<int> counter{0};
        socket_ = "packgate-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 " +
                              ShellQuoted(kInstaller);
        for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
        command += "; echo EXIT=$?; sleep 600";
        Run({"-u", "-f", "/dev/null", "new-session", "-d", "-s", "main", "-x",
             std::to_string(width), "-y", std::to_string(height), command});
    }
    ~Tmux() { Run({"kill-server"}); }
    Tmux(const Tmux&) = delete;
    Tmux& operator=(const Tmux&) = delete;

    void send(const std::string& key) { Run({"send-keys", "-t", "main", key}); }
    void resize(int width, int height) {
        Run({"resize-window", "-t", "main", "-x", std::to_string(width), "-y",
             std::to_string(height)});
    }
    std::string screen() { return Run({"capture-pane", "-p", "-t", "main"}).out; }

    // Waits until the screen shows every text of `shown` and none of `gone`, and answers
    // the screen; a screen caught halfway through a redraw is read again. A screen that
    // never gets there ends the test: every later step would wait in vain too.
    std::string waitFor(const std::vector<std::string>& shown,
                        const std::vector<std::string>& gone = {}) {
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        std::string last;
        while (std::chrono::steady_clock::now() < deadline) {
            last = screen();
            const auto has = [&](const std::string& text) {
                return last.find(text) != std::string::npos;
            };
            if (std::all_of(shown.begin(), shown.end(), has) &&
                std::none_of(gone.begin(), gone.end(), has)) {
                return last;
            }
            std::this_thread::sleep_for(30ms);
        }
        std::string wanted;
        for (const std::string& text : shown) wanted += " \"" + text + "\"";
        for (const std::string& text : gone) wanted += " no \"" + text + "\"";
        throw std::runtime_error("waited in vain for" + wanted + "; the screen shows:\n" + last);
    }

  private:
    ProgramResult Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-L", socket_});
        return RunProgram("/usr/bin/tmux", arguments, {{"TMUX", ""}}, 20s);
    }

    std::string socket_;
};

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
    tmux.waitFor({"Welcome to the Quillet Storyboard Essentials Pack", "[ Continue ]"});

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
    tmux.waitFor({"Install log: ", "/Library/Logs/Packgate-install.log", "] Exit Yes"});
    tmux.send("Home");  // The oldest lines of this run.
    tmux.waitFor({"] didEnterPane"});
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
