// Leaving the pane: going back, and going forward with the chosen row committed into the
// handoff list, the template folder checked and the second record posted.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include <nlohmann/json.hpp>

#include "pane_harness.h"

namespace packgate_test {
namespace {

using Lines = std::vector<std::string>;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The handoff list as Python's plistlib reads it, or null when it cannot.
nlohmann::json ReadWithPlistlib(const std::string& path) {
    const std::string command =
        "python3 -c \"import plistlib,sys,json; "
        "print(json.dumps(plistlib.load(open(sys.argv[1],'rb'), fmt=plistlib.FMT_XML)))\" '" +
        path + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return nullptr;
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
    return nlohmann::json::parse(out, nullptr, /*allow_exceptions=*/false);
}

class CommitTest : public ::testing::Test {
  protected:
    PaneScenario scenario;
    FakeMachine& machine = scenario.machine;
    InspectablePane& pane() { return scenario.pane(); }

    std::vector<MakerHostFiles> threeMakerHosts() {
        std::vector<MakerHost> hosts;
        for (const char* name : {"alpha", "beta", "gamma"}) {
            hosts.push_back({.name = name,
                             .productTitle = std::string("Quillet ") + name,
                             .em2 = std::string("EM2-") + name,
                             .versionCode = std::string("13") + std::to_string(hosts.size())});
        }
        return machine.addMakerHosts(hosts);
    }
    bool handoffExists() const { return std::filesystem::exists(machine.handoffListPath()); }
    std::string text(const char* key) { return pane()._localizedStringForKey(key); }
};

TEST_F(CommitTest, GoingBackChangesNothing) {
    machine.addMakerHost({});
    scenario.enter();
    EXPECT_EQ(scenario.exitBackward(), Lines{"Called shouldExitPane"});
    EXPECT_TRUE(scenario.lastExitAnswer());
    EXPECT_FALSE(handoffExists());
    EXPECT_FALSE(scenario.sheet());
    EXPECT_EQ(scenario.postedRecords().size(), 1u);
}

TEST_F(CommitTest, ForwardOnTheSecondOfThreeHostsWritesThatHost) {
    const auto hosts = threeMakerHosts();
    machine.setHostInstallerList({});
    scenario.enter();
    ASSERT_TRUE(scenario.selectRow(1));

    const Lines lines = scenario.exitForward();
    EXPECT_TRUE(scenario.lastExitAnswer());
    const auto records = scenario.postedRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(lines, (Lines{"Called shouldExitPane", "Add Plist success", "Second IF", "KZ",
                            "Final_Log:" + records[1]}));

    const auto handoff = scenario.handoffList();
    ASSERT_TRUE(handoff);
    EXPECT_EQ(handoff->keys(), (Lines{"Plist Path", "Version Code", "PRODUCT_TYPE", "EM2",
                                      "ContTemplatePath", "ContInstallPath"}));
    EXPECT_EQ(foundation::StringForKey(&*handoff, "Plist Path"), hosts[1].hostPlistPath);
    EXPECT_EQ(foundation::StringForKey(&*handoff, "Version Code"), "131");
    EXPECT_EQ(foundation::StringForKey(&*handoff, "PRODUCT_TYPE"), "KZ");
    EXPECT_EQ(foundation::StringForKey(&*handoff, "EM2"), "EM2-beta");
    EXPECT_EQ(foundation::StringForKey(&*handoff, "ContTemplatePath"), hosts[1].templateFolder);
    EXPECT_EQ(foundation::StringForKey(&*handoff, "ContInstallPath"), hosts[1].appPath);
}

TEST_F(CommitTest, MakerHostPostsTheSecondRecordFromTheHostInstallersList) {
    machine.addMakerHost({});
    machine.setHostInstallerList({.installerGuid = "GUID-42", .languageId = "1028"});
    scenario.enter();
    scenario.exitForward();
    const auto records = scenario.postedRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(RecordActivity(records[1]), "Resource-Step2");
    EXPECT_NE(records[1].find("\"GUID\":\"GUID-42\""), std::string::npos) << records[1];
    EXPECT_NE(records[1].find("\"SN\":\"QL5-7731-0042\""), std::string::npos) << records[1];
    EXPECT_NE(records[1].find("\"PackageLanguageID\":1028"), std::string::npos) << records[1];
    EXPECT_EQ(pane().gsUserLog, records[1]);
}

TEST_F(CommitTest, AppStoreHostPostsNoSecondRecord) {
    machine.addStoreHost({});
    scenario.enter();
    EXPECT_EQ(scenario.exitForward(), (Lines{"Called shouldExitPane", "Add Plist success",
                                             "Second IF", "Store", "Final_Log:(null)"}));
    EXPECT_TRUE(scenario.lastExitAnswer());
    EXPECT_EQ(scenario.postedRecords().size(), 1u);
    EXPECT_EQ(pane().gsUserLog, std::nullopt);
    const auto handoff = scenario.handoffList();
    ASSERT_TRUE(handoff);
    EXPECT_EQ(foundation::StringForKey(&*handoff, "PRODUCT_TYPE"), "Store");
    EXPECT_EQ(foundation::StringForKey(&*handoff, "Version Code"), "130");
}

TEST_F(CommitTest, RemovedTemplateFolderWarnsDisablesContinueAndStays) {
    const auto host = machine.addMakerHost({});
    scenario.enter();
    FakeMachine::remove(host.templateFolder);

    EXPECT_EQ(scenario.exitForward(),
              (Lines{"Called shouldExitPane", "Add Plist success", "Second IF", "No Found"}));
    EXPECT_FALSE(scenario.lastExitAnswer());
    EXPECT_FALSE(pane().nextEnabled());
    EXPECT_TRUE(handoffExists());
    const auto sheet = scenario.sheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->title, std::nullopt);
    EXPECT_EQ(sheet->defaultButton, text("OK_BUTTON"));
    EXPECT_EQ(sheet->message, text("ID_WARN_TempPath_NOT_FOUND"));
    EXPECT_EQ(scenario.postedRecords().size(), 1u);

    // Coming back to the pane sets Continue from discovery again.
    scenario.enter();
    EXPECT_TRUE(pane().nextEnabled());
}

TEST_F(CommitTest, EarlierHandoffListIsReplacedWhole) {
    foundation::PlistDict stale;
    stale.set("Stale Key", "from an earlier installation");
    stale.set("EM2", "OLD");
    machine.writeRecord(machine.handoffListPath(), stale);
    machine.addMakerHost({});
    scenario.enter();
    scenario.exitForward();
    const auto handoff = scenario.handoffList();
    ASSERT_TRUE(handoff);
    EXPECT_EQ(handoff->size(), 6u);
    EXPECT_EQ(handoff->find("Stale Key"), nullptr);
    EXPECT_EQ(foundation::StringForKey(&*handoff, "EM2"), "QL5-7731-0042");
    // Written in place of the old file, with no temporary file left beside it.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(machine.userPreferencesFolder())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST_F(CommitTest, HandoffListIsAnAppleXmlPropertyList) {
    const auto host = machine.addMakerHost({.em2 = "A&B <C>"});
    scenario.enter();
    scenario.exitForward();
    EXPECT_TRUE(ReadFile(machine.handoffListPath()).starts_with("<?xml"));
    const nlohmann::json list = ReadWithPlistlib(machine.handoffListPath());
    ASSERT_TRUE(list.is_object()) << list;
    EXPECT_EQ(list.size(), 6u);
    EXPECT_EQ(list.value("EM2", ""), "A&B <C>");
    EXPECT_EQ(list.value("ContInstallPath", ""), host.appPath);
}

// A binary record can name a template folder with a carriage return in it, and carry one in
// its EM2. The handoff list gives both back exactly, so the folder that is there is found.
TEST_F(CommitTest, CarriageReturnsInHostValuesSurviveTheHandoffList) {
    machine.setFormat(RecordFormat::Binary);
    const auto host = machine.addMakerHost({});
    const std::string folder = host.templateFolder + "\rCR\r\nLF";
    const std::string em2 = "QL5\r\n7731\r";
    std::filesystem::create_directories(folder);
    foundation::PlistDict preferences;
    preferences.set("Template Data", folder);
    preferences.set("EM2", em2);
    preferences.set("Version Code", "130");
    machine.writeRecord(host.preferencesPath, preferences);
    scenario.enter();
    ASSERT_EQ(pane().m_kProductTemplatePath(), Lines{folder});

    const Lines lines = scenario.exitForward();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4),
              (Lines{"Called shouldExitPane", "Add Plist success", "Second IF", "KZ"}));
    EXPECT_TRUE(scenario.lastExitAnswer());
    EXPECT_FALSE(scenario.sheet());

    const nlohmann::json list = ReadWithPlistlib(machine.handoffListPath());
    ASSERT_TRUE(list.is_object()) << list;
    EXPECT_EQ(list, (nlohmann::json{{"Plist Path", host.hostPlistPath},
                                    {"Version Code", "130"},
                                    {"PRODUCT_TYPE", "KZ"},
                                    {"EM2", em2},
                                    {"ContTemplatePath", folder},
                                    {"ContInstallPath", host.appPath}}));
}

TEST_F(CommitTest, UnwritableHandoffListWarnsAndStaysWithContinueEnabled) {
    machine.addMakerHost({});
    scenario.enter();
    machine.blockUserPreferences();

    EXPECT_EQ(scenario.exitForward(), (Lines{"Called shouldExitPane", "Add Plist Failed"}));
    EXPECT_FALSE(scenario.lastExitAnswer());
    EXPECT_TRUE(pane().nextEnabled());
    const auto sheet = scenario.sheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->message, text("ID_WARN_SAVE_FAILED"));
    EXPECT_EQ(sheet->defaultButton, text("OK_BUTTON"));
    EXPECT_EQ(scenario.postedRecords().size(), 1u);
    EXPECT_EQ(ReadFile(machine.userPreferencesFolder()), "not a folder\n");
}

// A binary record can carry text that an XML list cannot; the save refuses it instead of
// leaving a list that nothing can read and blaming the template folder.
TEST_F(CommitTest, HostValueThatXmlCannotHoldWarnsThatTheSaveFailed) {
    machine.setFormat(RecordFormat::Binary);
    machine.addStoreHost({.em2 = std::string("QL5\x01-AS")});
    scenario.enter();
    ASSERT_EQ(pane().m_kProductEM2().size(), 1u);

    EXPECT_EQ(scenario.exitForward(), (Lines{"Called shouldExitPane", "Add Plist Failed"}));
    EXPECT_FALSE(scenario.lastExitAnswer());
    EXPECT_TRUE(pane().nextEnabled());
    ASSERT_TRUE(scenario.sheet());
    EXPECT_EQ(scenario.sheet()->message, text("ID_WARN_SAVE_FAILED"));
    EXPECT_FALSE(handoffExists());
}

TEST_F(CommitTest, EmptyPropertyListPathWarnsWithoutWriting) {
    machine.addMakerHost({});
    scenario.enter();
    pane().setM_kapPlistPath({""});
    EXPECT_EQ(scenario.exitForward(), Lines{"Called shouldExitPane"});
    EXPECT_FALSE(scenario.lastExitAnswer());
    EXPECT_TRUE(pane().nextEnabled());
    ASSERT_TRUE(scenario.sheet());
    EXPECT_EQ(scenario.sheet()->message, text("ID_WARN_SAVE_FAILED"));
    EXPECT_FALSE(handoffExists());
}

TEST_F(CommitTest, NoSelectedRowRefusesQuietly) {
    machine.addMakerHost({});
    scenario.enter();
    pane().setM_pMatrix(std::make_shared<appkit::RadioMatrix>(1));
    const Lines lines = scenario.exitForward();
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_FALSE(scenario.lastExitAnswer());
    EXPECT_FALSE(handoffExists());
    EXPECT_FALSE(scenario.sheet());
}

TEST_F(CommitTest, TagOutsideTheRowArraysRefusesQuietly) {
    machine.addMakerHost({});
    scenario.enter();
    for (long tag : {1L, -1L}) {
        pane().m_pMatrix()->selectedCell()->setTag(tag);
        const Lines lines = scenario.exitForward();
        EXPECT_EQ(lines.size(), 2u) << tag;
        EXPECT_FALSE(scenario.lastExitAnswer()) << tag;
    }
    EXPECT_FALSE(handoffExists());
    EXPECT_FALSE(scenario.sheet());
}

TEST_F(CommitTest, NothingListedLeavesNothingToCommit) {
    scenario.enter();
    EXPECT_FALSE(pane().nextEnabled());
    scenario.exitForward();
    EXPECT_FALSE(scenario.lastExitAnswer());
    EXPECT_FALSE(handoffExists());
}

}  // namespace
}  // namespace packgate_test
