// A copy of the built bundle whose module is the faulty pane (faulty_pane_module.cpp), its
// principal class naming the fault, and the program run with it on a fake machine.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "fake_machine.h"
#include "program_runner.h"

namespace installer_test {

class FaultyBundle {
  public:
    explicit FaultyBundle(const std::string& fault);
    const std::string& path() const { return path_; }

  private:
    TemporaryFolder scratch_;
    std::string path_;
};

// The arguments that run `bundle` on `machine` with its log at `log`.
std::vector<std::string> FaultyArguments(const FaultyBundle& bundle,
                                         const packgate_test::FakeMachine& machine,
                                         const std::string& log);

// The run of the program with `fault`, then `more` arguments; a short time limit per
// callback unless `environment` says otherwise.
ProgramResult RunFaulty(const std::string& fault, const packgate_test::FakeMachine& machine,
                        const std::string& log, const std::vector<std::string>& more,
                        std::map<std::string, std::string> environment = {});

// The lines of the log at `path` that say the pane stopped.
std::vector<std::string> StopLines(const std::string& path);

}  // namespace installer_test
