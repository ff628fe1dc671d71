// A real terminal for tests: tmux runs packgate-installer in a window of fixed size, the test
// types keys and reads the screen.
#pragma once

#include <string>
#include <vector>

#include "program_runner.h"

namespace installer_test {

class Tmux {
  public:
    // Runs `arguments` of packgate-installer in a new tmux server of its own, with
    // `environment` ("NAME=value"; English texts unless it says otherwise); the shell prints
    // the exit code and the terminal's line settings ("EXIT=0 TTY=icanon,echo,") when the
    // program ends and keeps the window open.
    Tmux(const std::vector<std::string>& arguments, int width, int height,
         const std::vector<std::string>& environment = {});
    // The same for another program of the project (packgate-pack).
    Tmux(const std::string& program, const std::vector<std::string>& arguments, int width,
         int height, const std::vector<std::string>& environment = {});
    ~Tmux();
    Tmux(const Tmux&) = delete;
    Tmux& operator=(const Tmux&) = delete;

    void send(const std::string& key);
    // Types `text` as it stands (no key names).
    void type(const std::string& text);
    void resize(int width, int height);
    std::string screen();
    // The screen with its colours and attributes as escape sequences.
    std::string styledScreen();
    // The program's process id (the child of the window's shell), or 0 when it has none.
    int programPid();

    // Waits until the screen shows every text of `shown` and none of `gone`, and answers
    // the screen; a screen caught halfway through a redraw is read again. A screen that
    // never gets there ends the test: every later step would wait in vain too.
    std::string waitFor(const std::vector<std::string>& shown,
                        const std::vector<std::string>& gone = {});

  private:
    ProgramResult Run(std::vector<std::string> arguments);

    std::string socket_;
};

// Quotes `text` for sh.
std::string ShellQuoted(const std::string& text);

}  // namespace installer_test
