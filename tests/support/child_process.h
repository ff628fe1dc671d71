// Running helper programs (python3, openssl) from tests, without a shell in between.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace packgate_test {

// Runs `argv` (argv[0] looked up in PATH) and waits for it. Answers its exit status, or
// nothing when it could not be started or did not exit normally. Its standard output and
// error go where the test's go.
std::optional<int> RunProgram(const std::vector<std::string>& argv);

// A program that runs beside the test: its standard input and output are pipes to the test.
// Closing its input asks it to stop; the destructor does that and waits for it, ending it
// with SIGKILL if it has not stopped within a few seconds.
class ChildProcess {
  public:
    // Starts `argv`; null when it could not be started.
    static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv);

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // One line of its output without the line break; nothing at its end or after
    // `timeoutMs` without a whole line.
    std::optional<std::string> ReadLine(int timeoutMs);

  private:
    ChildProcess(pid_t pid, int input, int output) : pid_(pid), input_(input), output_(output) {}

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string pending_;
};

}  // namespace packgate_test
