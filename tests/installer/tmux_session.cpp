#include "tmux_session.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "installer_program.h"

namespace installer_test {

using namespace std::chrono_literals;

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

Tmux::Tmux(const std::vector<std::string>& arguments, int width, int height,
           const std::vector<std::string>& environment)
    : Tmux(kInstaller, arguments, width, height, environment) {}

Tmux::Tmux(const std::string& program, const std::vector<std::string>& arguments, int width,
           int height, const std::vector<std::string>& environment) {
    HandHomeToItsUser(arguments);
    static std::atomic<int> counter{0};
    socket_ = "packgate-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8";
    for (const std::string& setting : environment) command += " " + ShellQuoted(setting);
    command += " " + ShellQuoted(program);
    for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
    command +=
        "; echo EXIT=$? TTY=$(stty -a | tr ' ' '\\n' | grep -xE -- '-?(icanon|echo)' | "
        "tr '\\n' ,); sleep 600";
    Run({"-u", "-f", "/dev/null", "new-session", "-d", "-s", "main", "-x", std::to_string(width),
         "-y", std::to_string(height), command});
}

Tmux::~Tmux() {
    Run({"kill-server"});
}

void Tmux::send(const std::string& key) {
    Run({"send-keys", "-t", "main", key});
}

void Tmux::type(const std::string& text) {
    Run({"send-keys", "-t", "main", "-l", text});
}

void Tmux::resize(int width, int height) {
    Run({"resize-window", "-t", "main", "-x", std::to_string(width), "-y",
         std::to_string(height)});
}

std::string Tmux::screen() {
    return Run({"capture-pane", "-p", "-t", "main"}).out;
}

std::string Tmux::styledScreen() {
    return Run({"capture-pane", "-p", "-e", "-t", "main"}).out;
}

int Tmux::programPid() {
    const std::string shell = Run({"display-message", "-p", "-t", "main", "#{pane_pid}"}).out;
    const int pid = std::atoi(shell.c_str());
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    int child = 0;
    children >> child;
    return child;
}

std::string Tmux::waitFor(const std::vector<std::string>& shown,
                          const std::vector<std::string>& gone) {
    // Only a guard against a screen that never comes: a program under a sanitizer on a busy
    // machine (the pack tool's key derivation takes seconds there) may be slow to get there.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
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

ProgramResult Tmux::Run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"-L", socket_});
    return RunProgram("/usr/bin/tmux", arguments, {{"TMUX", ""}}, 20s);
}

}  // namespace installer_test
