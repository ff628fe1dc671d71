#include "installer_program.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/files.h"
#include "foundation/plist_read.h"

namespace installer_test {

std::map<std::string, std::string> EnglishEnvironment() {
    // No display either: a run without a scripted option would open a window on one.
    return {{"LC_ALL", "en_US.UTF-8"}, {"LC_MESSAGES", ""}, {"LANG", "en_US.UTF-8"},
            {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
}

ProgramResult RunOnMachine(const packgate_test::FakeMachine& machine,
                           const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment) {
    std::vector<std::string> all{"--bundle",     kBundle,  "--root",
                                 machine.root(), "--home", machine.home()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    auto env = EnglishEnvironment();
    for (const auto& [name, value] : environment) env[name] = value;
    return RunProgram(kInstaller, all, env);
}

nlohmann::json ParseReport(const ProgramResult& result) {
    nlohmann::json report = nlohmann::json::parse(result.out, nullptr, false);
    EXPECT_FALSE(report.is_discarded()) << "not JSON:\n" << result.out;
    EXPECT_TRUE(report.is_object());
    return report;
}

std::string BundleText(const std::string& key, const std::string& language) {
    const auto bytes = foundation::ContentsAtPath(
        kBundle + "/Contents/Resources/" + language + ".lproj/Localizable.strings",
        foundation::kMaxPlistFileBytes);
    if (!bytes) return {};
    const auto table = foundation::ParseStringsTable(*bytes);
    if (!table) return {};
    return foundation::StringForKey(&*table, key).value_or("");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace installer_test
