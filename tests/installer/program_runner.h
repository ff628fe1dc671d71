// Runs a program as a test's child process and collects what it printed and how it ended.
#pragma once

#include "scratch_folder.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace installer_test {

struct ProgramResult {
    int exitCode = -1;  // -1 when the program did not exit normally.
    int signal = 0;     // The signal that ended it, if one did.
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Run by root, the folder after "--home" in `arguments` is handed to a user (the one who ran
// sudo, else nobody), as a real home belongs to one, so the pane's helper, which never runs
// as root, runs as that user and can write there. Every program run of the tests does this.
void HandHomeToItsUser(const std::vector<std::string>& arguments);

// Runs `program` with `arguments`, the test's environment changed by `environment` (an empty
// value removes the variable), standard input from /dev/null. Kills it after `timeout`.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment = {},
                         std::chrono::seconds timeout = std::chrono::seconds(60));

// The lines of `text` (without their line breaks).
std::vector<std::string> Lines(const std::string& text);

// A new empty folder under the temporary folder, removed with the object.
struct TemporaryFolder : packgate_test::ScratchFolder {
    TemporaryFolder() : ScratchFolder("packgate-installer-test") {}
};

}  // namespace installer_test
