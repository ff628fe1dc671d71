// Running the built packgate-installer against a fake machine, for the program's tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "fake_machine.h"
#include "program_runner.h"

namespace installer_test {

// The built program and bundle (set by the build).
inline const std::string kInstaller = PACKGATE_INSTALLER;
inline const std::string kBundle = PACKGATE_BUNDLE;

// The environment every run gets: English texts, whatever the test machine's language, and
// no display.
std::map<std::string, std::string> EnglishEnvironment();

// Runs the program on `machine` with the built bundle and `arguments` after them.
ProgramResult RunOnMachine(const packgate_test::FakeMachine& machine,
                           const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment = {});

// The JSON object the program printed; fails the test when it is not one.
nlohmann::json ParseReport(const ProgramResult& result);

// The whole file at `path`; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// The bundle's text for `key` in `language` (".lproj" folder name).
std::string BundleText(const std::string& key, const std::string& language = "en");

}  // namespace installer_test
