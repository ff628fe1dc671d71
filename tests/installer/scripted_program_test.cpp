// packgate-installer run scripted on fake machines: what the pane shows, what each request
// does, the exit codes and the JSON report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/plist_read.h"
#include "installer_program.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using packgate_test::FakeMachine;
using packgate_test::MakerHost;
using packgate_test::StoreHost;

class ScriptedInstaller : public ::testing::Test {
  protected:
    // A maker copy and a store copy that qualify, an old copy and a Brellion entry that do not.
    void LayOutUsualMachine() {
        maker_ = machine_.addMakerHost({});
        MakerHost old;
        old.name = "quillet4";
        old.productTitle = "Quillet 4 Studio";
        old.versionCode = "100";
        machine_.addMakerHost(old);
        MakerHost brellion;
        brellion.name = "brellion";
        brellion.productName = "Brellion";
        machine_.addMakerHost(brellion);
        store_ = machine_.addStoreHost({});
        machine_.setHostInstallerList({});
    }

    json RunJson(const std::vector<std::string>& arguments, int expectedExit) {
        std::vector<std::string> all{"--json"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const ProgramResult result = RunOnMachine(machine_, all);
        EXPECT_EQ(result.exitCode, expectedExit) << result.out << result.err;
        return ParseReport(result);
    }

    FakeMachine machine_;
    packgate_test::MakerHostFiles maker_;
    packgate_test::StoreHostFiles store_;
};

// ---- What the pane shows ---------------------------------------------------------------

TEST_F(ScriptedInstaller, ListsEachQualifyingCopyAsARowTaggedWithItsIndex) {
    LayOutUsualMachine();
    json report = RunJson({"--choose", "0"}, 0);
    ASSERT_EQ(report["rows"].size(), 2u);
    EXPECT_EQ(report["pack_title"], "Quillet Storyboard Essentials Pack");
    EXPECT_EQ(report["title"], BundleText("Title"));
    EXPECT_EQ(report["label"], BundleText("ID_CONTENTINSTALL_DESCRIPTION"));
    ASSERT_EQ(report["rows"].size(), 2u);
    EXPECT_EQ(report["rows"][0]["tag"], 0);
    EXPECT_EQ(report["rows"][0]["title"], "Quillet 5 Studio");
    EXPECT_EQ(report["rows"][1]["tag"], 1);
    EXPECT_EQ(report["rows"][1]["title"], "Quillet 5 ( Apple Store )");
    EXPECT_TRUE(report["next_enabled"]);
    EXPECT_EQ(report["entries"], 1);
}

TEST_F(ScriptedInstaller, WithoutAnyCopyContinueIsDisabledAndThePaneIsNotAsked) {
    json report = RunJson({}, 3);
    EXPECT_TRUE(report["rows"].empty());
    EXPECT_EQ(report["label"], BundleText("ID_NOAP_DESCRIPTION"));
    EXPECT_FALSE(report["next_enabled"]);
    EXPECT_EQ(report["exit"]["direction"], "forward");
    EXPECT_FALSE(report["exit"]["asked_pane"]);
    EXPECT_FALSE(report["exit"]["allowed"]);
    EXPECT_TRUE(report["handoff"].is_null());
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

TEST_F(ScriptedInstaller, ShowsThePaneInTheUsersLanguage) {
    LayOutUsualMachine();
    const ProgramResult result =
        RunOnMachine(machine_, {"--json", "--choose", "0"}, {{"LC_ALL", "zh_TW.UTF-8"}});
    json report = ParseReport(result);
    ASSERT_FALSE(BundleText("Title", "zh_TW").empty());
    EXPECT_EQ(report["title"], BundleText("Title", "zh_TW"));
    EXPECT_EQ(report["label"], BundleText("ID_CONTENTINSTALL_DESCRIPTION", "zh_TW"));
}

// ---- Choosing and continuing -------------------------------------------------------------

TEST_F(ScriptedInstaller, ChoosingEachRowHandsOffThatCopy) {
    LayOutUsualMachine();
    struct Expected {
        std::string tag, type, plist, templateFolder, app;
    };
    const Expected rows[] = {
        {"0", "KZ", maker_.hostPlistPath, maker_.templateFolder, maker_.appPath},
        {"1", "Store", store_.storePlistPath, store_.templateFolder, store_.appPath},
    };
    for (const Expected& row : rows) {
        SCOPED_TRACE("row " + row.tag);
        json report = RunJson({"--choose", row.tag}, 0);
        EXPECT_TRUE(report["exit"]["allowed"]);
        EXPECT_TRUE(report["exit"]["sheet"].is_null());
        json& handoff = report["handoff"];
        EXPECT_EQ(handoff["path"], machine_.handoffListPath());
        EXPECT_TRUE(handoff["written"]);
        EXPECT_EQ(handoff["values"]["PRODUCT_TYPE"], row.type);
        EXPECT_EQ(handoff["values"]["Plist Path"], row.plist);
        EXPECT_EQ(handoff["values"]["ContTemplatePath"], row.templateFolder);
        EXPECT_EQ(handoff["values"]["ContInstallPath"], row.app);
        EXPECT_EQ(handoff["values"].size(), 6u);
        // The report says what the file holds.
        const auto written = foundation::DictionaryWithContentsOfFile(machine_.handoffListPath());
        ASSERT_TRUE(written);
        EXPECT_EQ(written->size(), 6u);
        for (const auto& [key, value] : handoff["values"].items()) {
            EXPECT_EQ(foundation::StringForKey(&*written, key), value.get<std::string>()) << key;
        }
    }
}

TEST_F(ScriptedInstaller, ChooseTitlePicksTheRowWithThatTitle) {
    LayOutUsualMachine();
    json report = RunJson({"--choose-title", "Quillet 5 ( Apple Store )"}, 0);
    ASSERT_EQ(report["rows"].size(), 2u);
    EXPECT_EQ(report["rows"][1]["selected"], true);
    EXPECT_EQ(report["handoff"]["values"]["PRODUCT_TYPE"], "Store");
}

TEST_F(ScriptedInstaller, ARowThePaneDoesNotListIsBadUsage) {
    LayOutUsualMachine();
    for (const auto& request : std::vector<std::vector<std::string>>{
             {"--choose", "2"}, {"--choose-title", "Quillet 4 Studio"}}) {
        const ProgramResult result = RunOnMachine(machine_, request);
        EXPECT_EQ(result.exitCode, 2) << result.out;
        ASSERT_EQ(Lines(result.err).size(), 1u) << result.err;
        EXPECT_NE(result.err.find("the pane has no row"), std::string::npos);
        EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
    }
}

TEST_F(ScriptedInstaller, WithoutARequestTheSelectedRowIsChosenAndTheRunGoesOn) {
    LayOutUsualMachine();
    const ProgramResult result = RunOnMachine(machine_, {});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("(*) [0] Quillet 5 Studio"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("The pane let the installation go on."), std::string::npos);
    EXPECT_NE(result.out.find("Handoff list: " + machine_.handoffListPath()), std::string::npos);
    EXPECT_NE(result.out.find("PRODUCT_TYPE:     KZ"), std::string::npos) << result.out;
}

TEST_F(ScriptedInstaller, AMissingTemplateFolderShowsTheSheetAndKeepsTheUser) {
    MakerHost host;
    host.createTemplateFolder = false;
    machine_.addMakerHost(host);
    json report = RunJson({"--choose", "0"}, 3);
    EXPECT_TRUE(report["next_enabled"]);
    json& exit = report["exit"];
    EXPECT_TRUE(exit["asked_pane"]);
    EXPECT_FALSE(exit["allowed"]);
    EXPECT_FALSE(exit["next_enabled"]);
    EXPECT_EQ(exit["sheet"]["message"], BundleText("ID_WARN_TempPath_NOT_FOUND"));
    EXPECT_EQ(exit["sheet"]["button"], BundleText("OK_BUTTON"));
    EXPECT_TRUE(report["handoff"].is_null());

    const ProgramResult text = RunOnMachine(machine_, {"--choose", "0"});
    EXPECT_EQ(text.exitCode, 3);
    EXPECT_NE(text.out.find("Sheet: " + BundleText("ID_WARN_TempPath_NOT_FOUND") + "  [" +
                            BundleText("OK_BUTTON") + "]"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("> Press the sheet's button\nContinue: disabled"), std::string::npos);
}

// ---- Going back ------------------------------------------------------------------------

TEST_F(ScriptedInstaller, GoingBackIsAllowedAndWritesNothing) {
    LayOutUsualMachine();
    json report = RunJson({"--back"}, 3);
    EXPECT_EQ(report["exit"]["direction"], "backward");
    EXPECT_TRUE(report["exit"]["allowed"]);
    EXPECT_TRUE(report["handoff"].is_null());
    EXPECT_EQ(report["entries"], 1);
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
}

TEST_F(ScriptedInstaller, ComingBackToThePaneLooksForTheCopiesAgain) {
    LayOutUsualMachine();
    const std::string log = machine_.folder() + "/install.log";
    json report = RunJson({"--back", "--choose", "1", "--log", log}, 0);
    EXPECT_EQ(report["entries"], 2);
    EXPECT_EQ(report["exit"]["direction"], "forward");
    EXPECT_EQ(report["handoff"]["values"]["PRODUCT_TYPE"], "Store");
    std::size_t entries = 0;
    for (const std::string& line : Lines(ReadFile(log))) {
        if (line.ends_with("] didEnterPane")) ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

// ---- Output and log ----------------------------------------------------------------------

TEST_F(ScriptedInstaller, JsonKeepsQuotesControlCharactersAndUnicodeOfTitles) {
    // XML cannot carry control characters; a binary property list can.
    machine_.setFormat(packgate_test::RecordFormat::Binary);
    MakerHost host;
    host.productTitle = "Quillet \"5\" \\ Studio\t\x01\x1b[31m \xe4\xb8\xad\xe6\x96\x87";
    machine_.addMakerHost(host);
    json report = RunJson({"--choose", "0"}, 0);
    ASSERT_EQ(report["rows"].size(), 1u);
    EXPECT_EQ(report["rows"][0]["title"], *host.productTitle);

    // Text for a terminal shows no control characters at all.
    const ProgramResult text = RunOnMachine(machine_, {"--choose", "0"});
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.out.find('\x01'), std::string::npos);
    EXPECT_NE(text.out.find("\xe4\xb8\xad\xe6\x96\x87"), std::string::npos);
}

TEST_F(ScriptedInstaller, TheInstallLogGoesToItsFileAndNotToTheReport) {
    LayOutUsualMachine();
    const ProgramResult result = RunOnMachine(machine_, {"--choose", "0"});
    EXPECT_EQ(result.exitCode, 0);
    const std::string log = ReadFile(machine_.home() + "/Library/Logs/Packgate-install.log");
    EXPECT_NE(log.find("] didEnterPane\n"), std::string::npos);
    EXPECT_NE(log.find("] Add Plist success\n"), std::string::npos);
    EXPECT_EQ(result.out.find("didEnterPane"), std::string::npos);
    EXPECT_TRUE(result.err.empty()) << result.err;

    const std::string chosen = machine_.folder() + "/logs/run.log";
    RunOnMachine(machine_, {"--choose", "0", "--log", chosen});
    EXPECT_NE(ReadFile(chosen).find("] didEnterPane\n"), std::string::npos);
}

// ---- Command line ------------------------------------------------------------------------

TEST_F(ScriptedInstaller, BadCommandLinesExitWithTwoAndTheUsage) {
    const std::vector<std::vector<std::string>> bad{
        {"--frobnicate"},         {"--choose", "x"},
        {"--choose", "-1"},       {"--choose"},
        {"--json=yes"},           {"--choose", "0", "--choose-title", "A"},
        {"--demo", "--root", "/"}};
    for (const auto& arguments : bad) {
        const ProgramResult result = RunProgram(kInstaller, arguments, EnglishEnvironment());
        EXPECT_EQ(result.exitCode, 2) << arguments.front();
        EXPECT_NE(result.err.find("Usage: packgate-installer"), std::string::npos);
        EXPECT_TRUE(result.out.empty());
    }
}

TEST_F(ScriptedInstaller, AMissingRootOrHomeFolderIsBadUsage) {
    const ProgramResult result = RunProgram(
        kInstaller, {"--root", machine_.folder() + "/nowhere", "--home", machine_.home()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
}

TEST_F(ScriptedInstaller, HelpAndVersionAnswerOnStandardOutput) {
    const ProgramResult help = RunProgram(kInstaller, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Exit codes:"), std::string::npos);
    const ProgramResult version = RunProgram(kInstaller, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("packgate-installer "));
}

// ---- Demo machine -------------------------------------------------------------------------

TEST(InstallerDemo, OffersTheQualifyingCopiesAndKeepsItsFolder) {
    TemporaryFolder scratch;
    const std::string folder = scratch.path() + "/demo";
    const ProgramResult result = RunProgram(
        kInstaller, {"--bundle", kBundle, "--demo", folder, "--json"}, EnglishEnvironment());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    json report = ParseReport(result);
    ASSERT_EQ(report["rows"].size(), 2u);
    EXPECT_EQ(report["rows"][0]["title"], "Quillet 5 Studio");
    EXPECT_EQ(report["rows"][1]["title"], "Quillet 5 ( Apple Store )");
    EXPECT_EQ(report["demo"]["folder"], folder);
    const std::string handoff = report["handoff"]["path"];
    EXPECT_TRUE(handoff.starts_with(folder + "/"));
    EXPECT_TRUE(fs::exists(handoff));
    // The old copy was turned away for its revision code; the Brellion entry was looked at.
    const std::string log = ReadFile(report["log"].get<std::string>());
    EXPECT_NE(log.find("listkey:brellion"), std::string::npos);
    EXPECT_NE(log.find("listkey:quillet4"), std::string::npos);
    EXPECT_NE(log.find("strRevCode:119"), std::string::npos);

    // The same folder can take the demo machine again.
    const ProgramResult again = RunProgram(
        kInstaller, {"--bundle", kBundle, "--demo", folder, "--choose", "1"}, EnglishEnvironment());
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("Demo machine: " + folder), std::string::npos);
}

TEST(InstallerDemo, RefusesAFolderThatHoldsSomethingElse) {
    TemporaryFolder scratch;
    const std::string precious = scratch.path() + "/precious.txt";
    std::ofstream(precious) << "keep me";
    const ProgramResult result =
        RunProgram(kInstaller, {"--bundle", kBundle, "--demo", scratch.path()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    EXPECT_EQ(ReadFile(precious), "keep me");
}

}  // namespace
}  // namespace installer_test

namespace installer_test {
namespace {

// Whatever fails before the pane is reached, --json prints one object with the reason.
TEST(ScriptedSetUpFailures, JsonIsOneObjectWithErrorAndExitCode) {
    TemporaryFolder folder;
    const std::string missing = folder.path() + "/Missing.bundle";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {{"--bundle", missing, "--demo", folder.path() + "/demo", "--json"}, 1},
        {{"--json", "--choose", "x"}, 2},
        {{"--json", "--root", folder.path() + "/none", "--bundle", kBundle}, 2},
    };
    for (const Case& c : cases) {
        const ProgramResult result = RunProgram(kInstaller, c.arguments, EnglishEnvironment());
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        const nlohmann::json report = nlohmann::json::parse(result.out, nullptr, false);
        ASSERT_TRUE(report.is_object()) << "[" << result.out << "]";
        EXPECT_TRUE(report["error"].is_string() && !report["error"].get<std::string>().empty())
            << result.out;
        EXPECT_EQ(report["exit_code"], c.exitCode) << result.out;
        EXPECT_FALSE(result.err.empty());  // Standard error still says why.
    }
}

}  // namespace
}  // namespace installer_test
