// classKZFeedbackLog: what it gathers, the record it builds and the lines it logs.
#include <gtest/gtest.h>

#include <string>

#include "feedback/kz_feedback_log.h"
#include "feedback_fixture.h"

namespace feedback_test {
namespace {

using RecordOnEntry = FeedbackLogTest;
using RecordFromHostList = FeedbackLogTest;
using RecordWithoutHostList = FeedbackLogTest;
using RecordLifecycle = FeedbackLogTest;
using RecordValues = FeedbackLogTest;

const std::string kPlistPathLine = "Plist Path: com.velmora.installer.Quillet.plist";
const std::string kPlistFailLine = "Get AP Plist Fail";

std::string ExampleEntryRecord() {
    // The entry record for machine XYZ on system 10.13.6.
    std::string text =
        R"({"UserActivityInfo":{"GUID":"0","MachineID":"XYZ","APType":0,"SN":"0","ProductID":0,)"
        R"("Version":0,"LanguageID":0,"OEMCode":0,"OS_Name":"Mac OS X","OS_Version":"10.13.6",)"
        R"("OS_TypeId":1,"OSBit":1,"Email":"","Description":"Mac","ProductBuild":"0",)"
        R"("CheckUpdateEdition":"0","PackageLanguageID":0},"UserActivityLog":{"GUID":"0",)"
        R"("APType":0,"Name":"Resource-Step1","Description":""}})";
    text.replace(text.find("XYZ"), 3, MachineID());
    text.replace(text.find("10.13.6"), 7, OSVersion());
    return text;
}

std::wstring Widened(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

const nlohmann::json kCompleteList = {
    {"Installer GUID", "6F1C2B9E-0D4A-4E55-9C1B-2A7F3D8E9B10"},
    {"EM2", "EM2-7781-QX"},
    {"Product Build", "2024.3.118"},
    {"Check Update Edition", "Pro"},
    {"Language ID", 1028},
};

ExpectedRecord CompleteListRecord() {
    return {.guid = "6F1C2B9E-0D4A-4E55-9C1B-2A7F3D8E9B10",
            .sn = "EM2-7781-QX",
            .productBuild = "2024.3.118",
            .edition = "Pro",
            .packageLanguageID = "1028",
            .name = "Resource-Step2"};
}

ExpectedRecord AbsentHostFields(std::string name) {
    return {.guid = "(null)",
            .sn = "(null)",
            .productBuild = "(null)",
            .edition = "(null)",
            .packageLanguageID = "null",
            .name = std::move(name)};
}

TEST_F(RecordOnEntry, IsTheExampleRecordByteForByte) {
    classKZFeedbackLog log;
    EXPECT_TRUE(log.CollectLog("Resource-Step1", "", 0));
    const std::string expected = ExampleEntryRecord();
    EXPECT_EQ(log.GetUserLog(), expected);
    EXPECT_EQ(logs_, std::vector<std::string>{"gsFBUserLog = " + expected});
    ParseRecord(log.GetUserLog());
}

TEST_F(RecordOnEntry, IsPostedAsItStands) {
    classKZFeedbackLog log;
    log.CollectLog("Resource-Step1", "", 0);
    const auto enciphered = net_.callsNamed("EncryptWStringRC4");
    ASSERT_EQ(enciphered.size(), 1u);
    EXPECT_EQ(enciphered[0].text, Widened(ExampleEntryRecord()));
    EXPECT_EQ(net_.callsNamed("SendHttpRequest").size(), 1u);
}

TEST_F(RecordOnEntry, ReadsNoHostListEvenWhenOneExists) {
    WriteHostList(kCompleteList, "xml");
    classKZFeedbackLog log;
    log.CollectLog("Resource-Step1", "", 0);
    EXPECT_EQ(log.GetUserLog(), ExampleEntryRecord());
    EXPECT_EQ(logs_.size(), 1u);
}

TEST_F(RecordFromHostList, XmlListGivesItsFiveValues) {
    WriteHostList(kCompleteList, "xml");
    classKZFeedbackLog log;
    EXPECT_TRUE(log.CollectLog("Resource-Step2", "", 1));
    const std::string expected = CompleteListRecord().Text();
    EXPECT_EQ(log.GetUserLog(), expected);
    EXPECT_EQ(logs_, (std::vector<std::string>{kPlistPathLine, "gsFBUserLog = " + expected}));
    ParseRecord(log.GetUserLog());
}

TEST_F(RecordFromHostList, BinaryListGivesItsFiveValues) {
    WriteHostList(kCompleteList, "binary");
    classKZFeedbackLog log;
    log.CollectLog("Resource-Step2", "", 1);
    EXPECT_EQ(log.GetUserLog(), CompleteListRecord().Text());
    EXPECT_EQ(logs_.front(), kPlistPathLine);
}

TEST_F(RecordFromHostList, TextLanguageIDThatIsAnIntegerStaysBare) {
    auto list = kCompleteList;
    list["Language ID"] = "-12";
    WriteHostList(list, "binary");
    classKZFeedbackLog log;
    log.CollectLog("Resource-Step2", "", 1);
    auto expected = CompleteListRecord();
    expected.packageLanguageID = "-12";
    EXPECT_EQ(log.GetUserLog(), expected.Text());
}

TEST_F(RecordFromHostList, MissingKeyLeavesOnlyItsFieldAbsent) {
    auto list = kCompleteList;
    list.erase("EM2");
    list.erase("Language ID");
    WriteHostList(list, "xml");
    classKZFeedbackLog log;
    log.CollectLog("Resource-Step2", "", 1);
    auto expected = CompleteListRecord();
    expected.sn = "(null)";
    expected.packageLanguageID = "null";
    EXPECT_EQ(log.GetUserLog(), expected.Text());
    EXPECT_EQ(logs_.size(), 2u) << "a missing key is not a failed read";
}

TEST_F(RecordWithoutHostList, LogsTheFailureAndStillBuildsAndPostsTheRecord) {
    classKZFeedbackLog log;
    EXPECT_TRUE(log.CollectLog("Resource-Step2", "", 1));
    const std::string expected = AbsentHostFields("Resource-Step2").Text();
    EXPECT_EQ(log.GetUserLog(), expected);
    EXPECT_EQ(logs_, (std::vector<std::string>{kPlistPathLine, kPlistFailLine,
                                               "gsFBUserLog = " + expected}));
    ASSERT_EQ(net_.callsNamed("EncryptWStringRC4").size(), 1u);
    EXPECT_EQ(net_.callsNamed("EncryptWStringRC4")[0].text, Widened(expected));
    ParseRecord(log.GetUserLog());
}

TEST_F(RecordWithoutHostList, UnreadableListsCountAsNoList) {
    const std::string notADictionary =
        R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array>)"
        R"(<string>EM2</string></array></plist>)";
    for (const std::string& bytes :
         {notADictionary, std::string("not a property list\x01\x02"), std::string()}) {
        logs_.clear();
        WriteHostListBytes(bytes);
        classKZFeedbackLog log;
        log.CollectLog("Resource-Step2", "", 1);
        EXPECT_EQ(log.GetUserLog(), AbsentHostFields("Resource-Step2").Text()) << bytes;
        ASSERT_GE(logs_.size(), 2u);
        EXPECT_EQ(logs_[1], kPlistFailLine) << bytes;
    }
}

TEST_F(RecordLifecycle, OtherSelectorOnAFreshObjectLeavesTheHostFieldsAbsent) {
    WriteHostList(kCompleteList, "xml");
    for (const int selector : {2, -1, 1000}) {
        logs_.clear();
        classKZFeedbackLog log;
        EXPECT_TRUE(log.CollectLog("Resource-Step3", "x", selector));
        auto expected = AbsentHostFields("Resource-Step3");
        expected.description = "x";
        EXPECT_EQ(log.GetUserLog(), expected.Text()) << selector;
        EXPECT_EQ(logs_.size(), 1u) << "no list is read for selector " << selector;
    }
}

TEST_F(RecordLifecycle, NothingBeforeTheFirstCollection) {
    classKZFeedbackLog log;
    EXPECT_EQ(log.GetUserLog(), std::nullopt);
    EXPECT_TRUE(net_.calls().empty());
}

TEST_F(RecordLifecycle, CollectingAgainKeepsWhatTheNewSelectorDoesNotTouch) {
    WriteHostList(kCompleteList, "binary");
    classKZFeedbackLog log;
    log.CollectLog("Resource-Step2", "", 1);
    log.CollectLog("Resource-Step9", "again", 5);
    auto expected = CompleteListRecord();
    expected.name = "Resource-Step9";
    expected.description = "again";
    EXPECT_EQ(log.GetUserLog(), expected.Text());
    log.CollectLog("Resource-Step1", "", 0);
    EXPECT_EQ(log.GetUserLog(), ExampleEntryRecord());
    EXPECT_EQ(net_.callsNamed("SendHttpRequest").size(), 3u);
}

TEST_F(RecordValues, QuotesBackslashesAndControlCharactersStillGiveValidJson) {
    const nlohmann::json list = {
        {"Installer GUID", "{\"guid\"}"},
        {"EM2", "C:\\keys\\em2"},
        {"Product Build", "line one\nline two\ttab\x01"},
        {"Check Update Edition", "caf\u00e9 \u2713"},
        {"Language ID", "007"},
    };
    WriteHostList(list, "binary");  // XML cannot carry the control character
    classKZFeedbackLog log;
    log.CollectLog("Step \"two\"", "back\\slash", 1);
    const auto record = ParseRecord(log.GetUserLog());
    ASSERT_TRUE(record.is_object());
    const auto& info = record["UserActivityInfo"];
    EXPECT_EQ(info["GUID"], "{\"guid\"}");
    EXPECT_EQ(info["SN"], "C:\\keys\\em2");
    EXPECT_EQ(info["ProductBuild"], "line one\nline two\ttab\x01");
    EXPECT_EQ(info["CheckUpdateEdition"], "caf\u00e9 \u2713");
    EXPECT_EQ(info["PackageLanguageID"], "007") << "not a JSON integer, so written as text";
    EXPECT_EQ(record["UserActivityLog"]["Name"], "Step \"two\"");
    EXPECT_EQ(record["UserActivityLog"]["Description"], "back\\slash");
    EXPECT_EQ(log.GetUserLog()->find('\n'), std::string::npos) << "the record is one line";
}

TEST_F(RecordValues, BothGuidHalvesCarryTheSameText) {
    auto list = kCompleteList;
    list["Installer GUID"] = "a\"b";
    WriteHostList(list, "binary");
    for (const int selector : {0, 1, 3}) {
        classKZFeedbackLog log;
        log.CollectLog("Resource-Step2", "", selector);
        const auto record = ParseRecord(log.GetUserLog());
        EXPECT_EQ(record["UserActivityInfo"]["GUID"], record["UserActivityLog"]["GUID"]);
    }
}

}  // namespace
}  // namespace feedback_test
