// The interactive installer driven through a real terminal as a person would: tmux runs it
// in a window of fixed size, the test types keys and reads the screen.
#include <gtest/gtest.h>
#include <unistd.h>

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
        std::string command = "env LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 " + ShellQuoted(kInstaller);
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

    // Waits until the screen shows `text` (or no longer shows it) and answers the screen. A
    // screen that never gets there ends the test: every later step would wait in vain too.
    std::string waitFor(const std::string& text, bool shown = true) {
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        std::string last;
        while (std::chrono::steady_clock::now() < deadline) {
            last = screen();
            if ((last.find(text) != std::string::npos) == shown) return last;
            std::this_thread::sleep_for(30ms);
        }
        throw std::runtime_error("waited in vain for " + std::string(shown ? "" : "the end of ") +
                                 "\"" + text + "\"; the screen shows:\n" + last);
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
    std::string screen = tmux.waitFor("Welcome to the Quillet Storyboard Essentials Pack");
    EXPECT_TRUE(Shows(screen, "[ Continue ]"));

    tmux.send("Enter");
    screen = tmux.waitFor("(*) Quillet 5 Studio");
    EXPECT_TRUE(Shows(screen, BundleText("Title")));
    EXPECT_TRUE(Shows(screen, "( ) Quillet 5 ( Apple Store )"));
    EXPECT_TRUE(Shows(screen, "Select the copy of Quillet"));  // The label, wrapped.

    tmux.send("Down");
    screen = tmux.waitFor("(*) Quillet 5 ( Apple Store )");
    EXPECT_TRUE(Shows(screen, "( ) Quillet 5 Studio"));

    // The App Store copy's template folder is missing: the pane refuses with its sheet.
    tmux.send("c");
    screen = tmux.waitFor("[ " + BundleText("OK_BUTTON") + " ]");
    EXPECT_TRUE(Shows(screen, "The template folder of the selected copy")) << screen;
    tmux.send("b");  // The sheet is modal: Go Back does nothing now.
    tmux.send("Enter");
    screen = tmux.waitFor("The template folder of the selected copy", false);
    EXPECT_TRUE(Shows(screen, "(*) Quillet 5 ( Apple Store )"));

    // Continue stays disabled until the pane is entered anew.
    tmux.send("c");
    tmux.waitFor("Continue is disabled");
    tmux.send("b");
    tmux.waitFor("Welcome to the");
    tmux.send("Enter");
    screen = tmux.waitFor("Quillet 5 Studio");
    tmux.send("Up");
    tmux.waitFor("(*) Quillet 5 Studio");
    tmux.send("c");
    screen = tmux.waitFor("Handoff list:");
    EXPECT_TRUE(Shows(screen, "[ Finish ]"));
    EXPECT_TRUE(Shows(screen, "PRODUCT_TYPE      KZ")) << screen;
    EXPECT_TRUE(fs::exists(machine_.handoffListPath()));

    tmux.send("Enter");
    screen = tmux.waitFor("EXIT=");
    EXPECT_TRUE(Shows(screen, "The pane let the installation go on.")) << screen;
    EXPECT_TRUE(Shows(screen, "EXIT=0"));
}

TEST_F(TerminalInstaller, ASmallWindowSaysSoAndTheScreenRedrawsWhenItGrows) {
    Tmux tmux(Arguments(), 80, 24);
    tmux.waitFor("Welcome to the");
    tmux.send("Enter");
    tmux.waitFor("(*) Quillet 5 Studio");
    tmux.resize(36, 10);
    std::string screen = tmux.waitFor("too small");
    EXPECT_FALSE(Shows(screen, "Quillet 5 Studio"));
    tmux.resize(60, 20);
    screen = tmux.waitFor("(*) Quillet 5 Studio");
    EXPECT_FALSE(Shows(screen, "too small"));
}

TEST_F(TerminalInstaller, TheLogIsShownOnRequestAndQuitAsksFirst) {
    Tmux tmux(Arguments(), 100, 30);
    tmux.waitFor("Welcome to the");
    tmux.send("Enter");
    std::string screen = tmux.waitFor("(*) Quillet 5 Studio");
    EXPECT_FALSE(Shows(screen, "didEnterPane"));  // Log lines never over the pane.
    tmux.send("l");
    screen = tmux.waitFor("Install log: ");
    EXPECT_TRUE(Shows(screen, "/Library/Logs/Packgate-install.log")) << screen;
    EXPECT_TRUE(Shows(screen, "] Exit Yes")) << screen;  // The newest line.
    tmux.send("Home");                                   // The oldest lines of this run.
    screen = tmux.waitFor("] didEnterPane");
    tmux.send("Escape");
    tmux.waitFor("didEnterPane", false);
    tmux.send("q");
    tmux.waitFor("Quit the installer?");
    tmux.send("y");
    screen = tmux.waitFor("EXIT=");
    EXPECT_TRUE(Shows(screen, "EXIT=3")) << screen;
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

}  // namespace
}  // namespace installer_test
