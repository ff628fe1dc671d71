// The readers of a host's preferences and of an App Store copy's store property list.
#include <gtest/gtest.h>

#include "pane_harness.h"

namespace packgate_test {
namespace {

using foundation::PlistDict;
using foundation::PlistValue;

class HostRecordsTest : public ::testing::Test {
  protected:
    PaneScenario scenario;
    InspectablePane& pane() { return scenario.pane(); }

    void writePreferences(const std::string& bundleId, const PlistDict& values) {
        scenario.machine.writeRecord(
            scenario.machine.root() + "/Library/Preferences/" + bundleId + ".plist", values);
    }
    std::string writeStorePlist(const PlistDict& values) {
        const std::string path = scenario.machine.folder() + "/store/QuilletStore.plist";
        scenario.machine.writeRecord(path, values);
        return path;
    }
    void setScratch(const char* templ, const char* em2, const char* revCode) {
        pane().strTemplate = templ;
        pane().strEM2 = em2;
        pane().strRevCode = revCode;
    }
    void expectScratch(const std::optional<std::string>& templ,
                       const std::optional<std::string>& em2,
                       const std::optional<std::string>& revCode) {
        EXPECT_EQ(pane().strTemplate, templ);
        EXPECT_EQ(pane().strEM2, em2);
        EXPECT_EQ(pane().strRevCode, revCode);
    }
};

PlistDict Values(std::initializer_list<std::pair<const char*, PlistValue>> entries) {
    PlistDict dict;
    for (const auto& [key, value] : entries) dict.set(key, value);
    return dict;
}

TEST_F(HostRecordsTest, PreferencesWithAllThreeValuesFillTheScratchFields) {
    writePreferences(
        "com.velmora.quillet.a",
        Values({{"Template Data", "/T/a"}, {"EM2", "QL5-1"}, {"Version Code", "1305011"}}));
    EXPECT_TRUE(pane().Pefrerences_Edition_Exist("com.velmora.quillet.a"));
    expectScratch("/T/a", "QL5-1", "1305011");
}

TEST_F(HostRecordsTest, PreferenceMissingLeavesItsFieldAsItWas) {
    setScratch("/T/old", "EM2-old", "100");
    writePreferences("com.velmora.quillet.b",
                     Values({{"Template Data", "/T/b"}, {"Version Code", "140"}}));
    EXPECT_FALSE(pane().Pefrerences_Edition_Exist("com.velmora.quillet.b"));
    expectScratch("/T/b", "EM2-old", "140");
}

TEST_F(HostRecordsTest, NumericPreferenceIsReadAsItsDecimalText) {
    writePreferences("com.velmora.quillet.c", Values({{"Template Data", "/T/c"},
                                                      {"EM2", std::int64_t{7731}},
                                                      {"Version Code", std::int64_t{130}}}));
    EXPECT_TRUE(pane().Pefrerences_Edition_Exist("com.velmora.quillet.c"));
    expectScratch("/T/c", "7731", "130");
}

TEST_F(HostRecordsTest, UnknownOrAbsentIdentifierFindsNothing) {
    setScratch("/T/old", "EM2-old", "100");
    EXPECT_FALSE(pane().Pefrerences_Edition_Exist("com.velmora.nobody"));
    EXPECT_FALSE(pane().Pefrerences_Edition_Exist(std::nullopt));
    EXPECT_FALSE(pane().Pefrerences_Edition_Exist("../../home/tester/Library/Preferences/x"));
    expectScratch("/T/old", "EM2-old", "100");
}

TEST_F(HostRecordsTest, StoreRevisionCodeKeepsItsFirstThreeCharacters) {
    const auto path = writeStorePlist(
        Values({{"Template Data", "/T/s"}, {"EM2", "AS-1"}, {"Version Code", "1301187"}}));
    EXPECT_TRUE(pane().Store_plist_Exist(path));
    expectScratch("/T/s", "AS-1", "130");
}

TEST_F(HostRecordsTest, StoreRevisionCodeOfThreeOrFewerCharactersStaysWhole) {
    for (const char* code : {"120", "12", ""}) {
        const auto path = writeStorePlist(Values({{"Version Code", code}}));
        EXPECT_TRUE(pane().Store_plist_Exist(path));
        EXPECT_EQ(pane().strRevCode, code);
    }
}

TEST_F(HostRecordsTest, StoreListWithoutKeysStillAnswersYesWithAbsentFields) {
    setScratch("/T/old", "EM2-old", "100");
    const auto path = writeStorePlist(Values({{"EM2", "AS-2"}}));
    EXPECT_TRUE(pane().Store_plist_Exist(path));
    expectScratch(std::nullopt, "AS-2", std::nullopt);
}

TEST_F(HostRecordsTest, UnreadableStoreListAnswersNoAndKeepsTheFields) {
    setScratch("/T/old", "EM2-old", "100");
    const std::string garbage = scenario.machine.folder() + "/store/garbage.plist";
    FakeMachine::writeText(garbage, "this is not a property list {");
    const std::string array = scenario.machine.folder() + "/store/array.plist";
    scenario.machine.writeRecord(array, foundation::PlistArray{PlistValue("EM2")});
    EXPECT_FALSE(pane().Store_plist_Exist(garbage));
    EXPECT_FALSE(pane().Store_plist_Exist(array));
    EXPECT_FALSE(pane().Store_plist_Exist(scenario.machine.folder() + "/store/none.plist"));
    EXPECT_FALSE(pane().Store_plist_Exist(std::nullopt));
    expectScratch("/T/old", "EM2-old", "100");
}

TEST_F(HostRecordsTest, RecordsAreReadInEveryPropertyListForm) {
    for (RecordFormat format : {RecordFormat::Xml, RecordFormat::Binary, RecordFormat::OldStyle}) {
        scenario.machine.setFormat(format);
        writePreferences(
            "com.velmora.quillet.f",
            Values({{"Template Data", "/T/f"}, {"EM2", "QL5-F"}, {"Version Code", "150"}}));
        EXPECT_TRUE(pane().Pefrerences_Edition_Exist("com.velmora.quillet.f"));
        expectScratch("/T/f", "QL5-F", "150");
        const auto path = writeStorePlist(
            Values({{"Template Data", "/T/g"}, {"EM2", "AS-G"}, {"Version Code", "1609"}}));
        EXPECT_TRUE(pane().Store_plist_Exist(path));
        expectScratch("/T/g", "AS-G", "160");
    }
}

}  // namespace
}  // namespace packgate_test
