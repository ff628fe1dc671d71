// The yes/no checks on host applications: existence, version prefix, minimum data version.
#include <gtest/gtest.h>

#include "pane_harness.h"

namespace packgate_test {
namespace {

class HostChecksTest : public ::testing::Test {
  protected:
    PaneScenario scenario;
    InspectablePane& pane() { return scenario.pane(); }

    // An application folder with an information file holding only the values given.
    std::string makeApp(const std::string& name, const std::optional<std::string>& version,
                        const std::optional<std::string>& bundleName = "Quillet") {
        const std::string app = scenario.machine.root() + "/Applications/" + name + ".app";
        foundation::PlistDict info;
        if (version) info.set("CFBundleShortVersionString", *version);
        if (bundleName) info.set("CFBundleName", *bundleName);
        scenario.machine.writeRecord(app + "/Contents/Info.plist", info);
        return app;
    }

    // The answer of Check_AP_Version and the lines it logged.
    std::pair<bool, std::vector<std::string>> checkVersion(
        const std::optional<std::string>& version, const std::optional<std::string>& app) {
        scenario.log.clear();
        const bool answer = pane().Check_AP_Version(version, app);
        return {answer, scenario.log.paneLines()};
    }
};

using Lines = std::vector<std::string>;

TEST_F(HostChecksTest, FolderCheckAnswersForAnythingThatExists) {
    const std::string app = makeApp("Quillet", "5.2");
    const std::string file = app + "/Contents/Info.plist";
    EXPECT_TRUE(pane().Check_Folder_Exit(app));
    EXPECT_TRUE(pane().Check_Folder_Exit(file));
    EXPECT_TRUE(pane().Check_Folder_Exit(scenario.machine.root()));
    EXPECT_FALSE(pane().Check_Folder_Exit(app + "/Contents/Missing"));
    EXPECT_FALSE(pane().Check_Folder_Exit(std::nullopt));
    EXPECT_FALSE(pane().Check_Folder_Exit(std::string()));
}

TEST_F(HostChecksTest, StatedVersionIsAPrefixOfTheInstalledOne) {
    const std::string app = makeApp("Quillet", "3.0.1");
    EXPECT_EQ(checkVersion("3", app), std::make_pair(true, Lines{"KZ_a=3,KZ_b=3"}));
    EXPECT_EQ(checkVersion("3.0.1", app), std::make_pair(true, Lines{"KZ_a=3.0.1,KZ_b=3.0.1"}));
    const std::string older = makeApp("Older", "3.0");
    EXPECT_EQ(checkVersion("3.0.1", older), std::make_pair(false, Lines{"KZ_a=3.0.1,KZ_b=3.0"}));
}

TEST_F(HostChecksTest, ComparesCharactersNotNumbers) {
    for (const char* accepted : {"2.1", "2.1.0", "2.1.5", "2.10"}) {
        EXPECT_TRUE(pane().Check_AP_Version("2.1", makeApp(accepted, accepted))) << accepted;
    }
    for (const char* refused : {"2.2", "2", "3.0", "1.2.1"}) {
        EXPECT_FALSE(pane().Check_AP_Version("2.1", makeApp(refused, refused))) << refused;
    }
}

TEST_F(HostChecksTest, EmptyStatedVersionAcceptsAnyInstalledVersion) {
    const std::string app = makeApp("Quillet", "5.2.1");
    EXPECT_EQ(checkVersion("", app), std::make_pair(true, Lines{"KZ_a=,KZ_b="}));
}

TEST_F(HostChecksTest, AbsentStatedVersionIsRefused) {
    const std::string app = makeApp("Quillet", "5.2.1");
    EXPECT_EQ(checkVersion(std::nullopt, app), std::make_pair(false, Lines{"KZ_a=(null),KZ_b="}));
}

TEST_F(HostChecksTest, MissingApplicationIsRefusedSilentlyKeepingTheTitle) {
    pane().strStoreAPTitle = "Earlier";
    EXPECT_EQ(checkVersion("5.2", scenario.machine.root() + "/Applications/None.app"),
              std::make_pair(false, Lines{}));
    EXPECT_EQ(checkVersion("5.2", std::nullopt), std::make_pair(false, Lines{}));
    EXPECT_EQ(pane().strStoreAPTitle, "Earlier");
}

TEST_F(HostChecksTest, BundleNameIsTakenWhateverTheComparisonGives) {
    EXPECT_FALSE(pane().Check_AP_Version("6", makeApp("Old", "5.2", "Quillet Old")));
    EXPECT_EQ(pane().strStoreAPTitle, "Quillet Old");
    EXPECT_TRUE(pane().Check_AP_Version("5", makeApp("Nameless", "5.2", std::nullopt)));
    EXPECT_EQ(pane().strStoreAPTitle, std::nullopt);
}

TEST_F(HostChecksTest, ApplicationWithoutInformationFileIsRefusedAndLogged) {
    pane().strStoreAPTitle = "Earlier";
    const std::string app = scenario.machine.root() + "/Applications/Bare.app";
    FakeMachine::writeText(app + "/Contents/PkgInfo", "APPL????");
    EXPECT_EQ(checkVersion("2.1", app), std::make_pair(false, Lines{"KZ_a=2.1,KZ_b=(null)"}));
    EXPECT_EQ(pane().strStoreAPTitle, std::nullopt);
}

TEST_F(HostChecksTest, ShorterInstalledVersionStaysWhole) {
    const std::string app = makeApp("Quillet", "5");
    EXPECT_EQ(checkVersion("5.2", app), std::make_pair(false, Lines{"KZ_a=5.2,KZ_b=5"}));
}

TEST_F(HostChecksTest, PathEndingInSlashStillFindsTheInformationFile) {
    const std::string app = makeApp("Quillet", "5.2.1");
    EXPECT_TRUE(pane().Check_AP_Version("5.2", app + "/"));
}

TEST_F(HostChecksTest, InformationFileInBinaryFormIsRead) {
    scenario.machine.setFormat(RecordFormat::Binary);
    EXPECT_TRUE(pane().Check_AP_Version("5.2", makeApp("Quillet", "5.2.1")));
}

TEST_F(HostChecksTest, MinimumDataVersionMustReachOne) {
    for (const char* yes : {"1", "1.0", "1.0000", "1.5", "2.0.3", "1.2.3", "10", " 1.0", "+1"}) {
        EXPECT_TRUE(pane().Check_AP_Minimum_Version(std::string(yes))) << yes;
    }
    for (const char* no : {"0.9", "0.99", "0.999", "", "abc", "-1", ".5"}) {
        EXPECT_FALSE(pane().Check_AP_Minimum_Version(std::string(no))) << no;
    }
    EXPECT_FALSE(pane().Check_AP_Minimum_Version(std::nullopt));
}

}  // namespace
}  // namespace packgate_test
