// packgate-installer explaining every copy it examined: the reasons in text, JSON and the
// log on fake machines of both routes, --list writing nothing, --check naming a pack's faults
// with their files and lines, the same faults as warnings of a run, and both languages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "installer_program.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using packgate_test::FakeMachine;
using packgate_test::MakerHost;
using packgate_test::StoreHost;

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const std::string& line : lines) {
        if (line.find(wanted) != std::string::npos) return true;
    }
    return false;
}

// The machine of the issue: one offered copy, four turned away, plus a twin of the offered
// copy under the same title and a store copy of each store failure.
class ExplainedMachine : public ::testing::Test {
  protected:
    void SetUp() override {
        MakerHost good;
        MakerHost twin;
        twin.name = "q-twin";
        MakerHost mismatch;
        mismatch.name = "q01";
        mismatch.dataVision = "5.3";
        MakerHost legacy;
        legacy.name = "q02";
        legacy.minimumDataVersion = "0.9";
        MakerHost moved;
        moved.name = "q03";
        moved.installApp = false;
        MakerHost old;
        old.name = "q04";
        old.versionCode = "100";
        MakerHost lacking;
        lacking.name = "q05";
        lacking.em2 = std::nullopt;
        MakerHost brellion;
        brellion.name = "q06";
        brellion.productName = "Brellion";
        const MakerHost makers[] = {good, twin, mismatch, legacy, moved, old, lacking, brellion};
        machine_.addMakerHosts(makers);
        StoreHost store;
        store.container = "com.velmora.s1";
        store.appVersion = "5.3.0";
        machine_.addStoreHost(store);
        StoreHost oldStore;
        oldStore.container = "com.velmora.s2";
        oldStore.versionCode = "1001187";
        machine_.addStoreHost(oldStore);
        StoreHost uncoded;
        uncoded.container = "com.velmora.s3";
        uncoded.versionCode = std::nullopt;
        machine_.addStoreHost(uncoded);
        machine_.setHostInstallerList({});
        logPath_ = machine_.folder() + "/run.log";
    }

    ProgramResult list(const std::vector<std::string>& more = {},
                       const std::map<std::string, std::string>& environment = {}) {
        std::vector<std::string> arguments{"--list", "--log", logPath_};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return RunOnMachine(machine_, arguments, environment);
    }

    FakeMachine machine_;
    std::string logPath_;
};

// name -> {reason_code, English reason}, in the order the copies are examined.
const std::vector<std::tuple<std::string, std::string, std::string>> kTurnedAway = {
    {"q01", "version_mismatch", "the application's version 5.2.1 does not begin with 5.3"},
    {"q02", "minimum_data_version", "Minimum Data Version 0.9 is below 1.0"},
    {"q03", "application_missing", "the application "},
    {"q04", "revision_too_old", "revision code 100 is below the 120 this pack needs"},
    {"q05", "preferences_incomplete", "its preferences lack EM2"},
    {"q06", "not_quillet", "Brellion is not Quillet"},
    {"com.velmora.s1", "version_mismatch", "the application's version 5.3.0 does not begin with 5.2"},
    {"com.velmora.s2", "revision_too_old", "revision code 100 is below the 120 this pack needs"},
    {"com.velmora.s3", "revision_missing",
     "its record has no Version Code, read as 0, below the 120 this pack needs"},
};

TEST_F(ExplainedMachine, ListJsonGivesEveryCandidateWithItsFirstReason) {
    const ProgramResult result = list({"--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json report = ParseReport(result);
    ASSERT_EQ(report["rows"].size(), 2u);
    // Equal titles, told apart by their folders.
    EXPECT_EQ(report["rows"][0]["title"], report["rows"][1]["title"]);
    EXPECT_NE(report["rows"][0]["path"], report["rows"][1]["path"]);
    EXPECT_EQ(report["rows"][0]["kind"], "maker");
    EXPECT_EQ(report["rows"][0]["version"], "5.2.1");
    EXPECT_EQ(report["warnings"], json::array());

    std::map<std::string, json> byName;
    for (const json& c : report["candidates"]) byName[c["name"]] = c;
    EXPECT_EQ(byName["quillet"]["offered"], true);
    EXPECT_EQ(byName["quillet"]["tag"], 0);
    EXPECT_EQ(byName["q-twin"]["tag"], 1);
    for (const auto& [name, code, reason] : kTurnedAway) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(byName.count(name));
        EXPECT_EQ(byName[name]["offered"], false);
        EXPECT_TRUE(byName[name]["tag"].is_null());
        EXPECT_EQ(byName[name]["reason_code"], code);
        EXPECT_EQ(byName[name]["reason"].get<std::string>().rfind(reason, 0), 0u);
    }
    EXPECT_EQ(byName["com.velmora.s1"]["source"], "store");
    EXPECT_EQ(byName["q03"]["source"], "direct");
}

TEST_F(ExplainedMachine, ListTextAndLogCarryTheReasonsAndNothingIsWritten) {
    const ProgramResult result = list();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = Lines(result.out);
    EXPECT_TRUE(HasLine(lines, "Version 5.2.1 · maker-distributed · " + machine_.root()));
    for (const auto& [name, code, reason] : kTurnedAway) {
        EXPECT_TRUE(HasLine(lines, "  - " + name + ": " + reason)) << name << "\n" << result.out;
    }
    const auto log = Lines(ReadFile(logPath_));
    EXPECT_TRUE(HasLine(log, "Not offered: q02 (Minimum Data Version 0.9 is below 1.0)"));
    EXPECT_TRUE(HasLine(log, "Not offered: q04 (Revision code 100 is below the pack's 120)"));
    EXPECT_TRUE(HasLine(log, "Not offered: com.velmora.s1 (Version 5.3.0 does not begin with 5.2)"));
    // Discovery only: the pane was never asked to let the user leave.
    EXPECT_FALSE(fs::exists(machine_.handoffListPath()));
    EXPECT_FALSE(HasLine(log, "shouldExitPane"));
}

TEST_F(ExplainedMachine, ReasonsInTraditionalChinese) {
    const ProgramResult result = list({}, {{"LANG", "zh_TW.UTF-8"}, {"LC_ALL", ""}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("q02：最低資料版本 0.9 低於 1.0"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("原廠發行版"), std::string::npos);
    EXPECT_NE(result.out.find("com.velmora.s3：其記錄沒有 Version Code，視為 0，低於此套件需要的 120"),
              std::string::npos)
        << result.out;
}

TEST(ListWithoutCopies, ExitsThreeWhenNothingIsOffered) {
    FakeMachine machine;
    MakerHost legacy;
    legacy.minimumDataVersion = "0.5";
    machine.addMakerHost(legacy);
    const ProgramResult result = RunOnMachine(machine, {"--list", "--json"});
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_EQ(ParseReport(result)["candidates"][0]["reason_code"], "minimum_data_version");
}

// A copy of the built bundle whose resources a test may break.
class BrokenPack : public ::testing::Test {
  protected:
    void SetUp() override {
        pack_ = fs::path(folder_.path()) / "Broken.pack";
        bundle_ = pack_ / "Contents/Plugins/Packgate.bundle";
        fs::create_directories(bundle_.parent_path());
        fs::copy(kBundle, bundle_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    fs::path resource(const std::string& name) const { return bundle_ / "Contents/Resources" / name; }
    ProgramResult check(const fs::path& path) const {
        return RunProgram(kInstaller, {"--check", path.string()}, EnglishEnvironment());
    }

    TemporaryFolder folder_;
    fs::path pack_;
    fs::path bundle_;
};

const std::string kSetupPrefix =
    "Contents/Plugins/Packgate.bundle/Contents/Resources/SetupSRC.plist: ";

TEST_F(BrokenPack, CleanPackAndBundlePass) {
    EXPECT_EQ(check(pack_).exitCode, 0) << check(pack_).out;
    EXPECT_EQ(check(bundle_).exitCode, 0);
}

TEST_F(BrokenPack, SetupFaultsAreNamed) {
    WriteFile(resource("SetupSRC.plist"),
              "{ REQUIRED_PRODUCT_VERSION = \"12a\"; FOR_KZ_OR_STORE = 3; }");
    const ProgramResult result = check(pack_);
    EXPECT_EQ(result.exitCode, 1);
    const auto lines = Lines(result.out);
    EXPECT_EQ(lines[0], kSetupPrefix + "\"TITLE_MAIN_PACK\" is missing");
    EXPECT_EQ(lines[1], kSetupPrefix + "\"REQUIRED_PRODUCT_VERSION\" is not a number: \"12a\"");
    EXPECT_EQ(lines[2], kSetupPrefix + "\"FOR_KZ_OR_STORE\" is not 0, 1 or 2: \"3\"");
    EXPECT_EQ(lines.back(), pack_.string() + ": 3 problem(s).");

    WriteFile(resource("SetupSRC.plist"), "( 1, 2 )");
    EXPECT_EQ(Lines(check(pack_).out)[0], kSetupPrefix + "is not a dictionary");
    fs::remove(resource("SetupSRC.plist"));
    EXPECT_EQ(Lines(check(pack_).out)[0], kSetupPrefix + "is missing");
    WriteFile(resource("SetupSRC.plist"), "<?xml version=\"1.0\"?>\n<plist>\n<dict>\n</plist>\n");
    EXPECT_EQ(Lines(check(pack_).out)[0].rfind(
                  "Contents/Plugins/Packgate.bundle/Contents/Resources/SetupSRC.plist:4: does not parse", 0),
              0u)
        << check(pack_).out;
}

TEST_F(BrokenPack, StringsFaultsAreNamedWithTheirLines) {
    WriteFile(resource("en.lproj/Localizable.strings"),
              "\"Title\" = \"T\";\n\"OK_BUTTON\" = \"OK\"\n\"ID_NOAP_DESCRIPTION\" = \"x\";\n");
    std::string zh = ReadFile(resource("zh_TW.lproj/Localizable.strings"));
    const std::size_t at = zh.find("%lu");
    ASSERT_NE(at, std::string::npos);
    zh.replace(at, 3, "%@");
    WriteFile(resource("zh_TW.lproj/Localizable.strings"), zh);
    fs::remove(resource("PackgatePane.view"));

    const ProgramResult result = check(bundle_);
    EXPECT_EQ(result.exitCode, 1);
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 4u) << result.out;
    EXPECT_EQ(lines[0], "Contents/Resources/PackgatePane.view: is missing (the pane shows a plain "
                        "label and eight rows)");
    EXPECT_EQ(lines[1].rfind("Contents/Resources/en.lproj/Localizable.strings:3: does not parse", 0),
              0u)
        << lines[1];
    EXPECT_EQ(lines[2], "Contents/Resources/zh_TW.lproj/Localizable.strings: \"ERROR_READ_PLIST\" "
                        "must carry %@ then %lu as a format");
}

TEST_F(BrokenPack, LackingKeysAndRunWarnings) {
    WriteFile(resource("en.lproj/Localizable.strings"), "\"Title\" = \"T\";\n");
    const ProgramResult checked = check(bundle_);
    EXPECT_TRUE(HasLine(Lines(checked.out),
                        "Contents/Resources/en.lproj/Localizable.strings: lacks \"OK_BUTTON\""));

    FakeMachine machine;
    machine.addMakerHost({});
    const std::string log = machine.folder() + "/run.log";
    const ProgramResult run = RunProgram(
        kInstaller, {"--bundle", bundle_.string(), "--root", machine.root(), "--home",
                     machine.home(), "--log", log, "--choose", "0"},
        EnglishEnvironment());
    EXPECT_TRUE(HasLine(Lines(run.err), "packgate-installer: warning: Contents/Resources/"
                                        "en.lproj/Localizable.strings: lacks \"OK_BUTTON\""))
        << run.err;
    EXPECT_TRUE(HasLine(Lines(ReadFile(log)), "Pack problem: Contents/Resources/en.lproj/"
                                              "Localizable.strings: lacks \"OK_BUTTON\""));
    const ProgramResult scripted = RunProgram(
        kInstaller, {"--bundle", bundle_.string(), "--root", machine.root(), "--home",
                     machine.home(), "--log", log, "--json"},
        EnglishEnvironment());
    EXPECT_GE(ParseReport(scripted)["warnings"].size(), 8u);
}

}  // namespace
}  // namespace installer_test
