// The pane's view, properties, strings and setup resource.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>

#include "foundation/plist_read.h"
#include "pane_harness.h"

namespace packgate_test {
namespace {

using foundation::PlistValue;

constexpr const char* kTranslatedKeys[] = {"Title",
                                           "ID_CONTENTINSTALL_DESCRIPTION",
                                           "ID_NOAP_DESCRIPTION",
                                           "ID_NOSUITABLEAP_DESCRIPTION",
                                           "ID_NOSUPPORT_EDITION_DESCRIPTION",
                                           "OK_BUTTON",
                                           "ID_WARN_TempPath_NOT_FOUND",
                                           "ID_WARN_SAVE_FAILED",
                                           "ERROR_READ_PLIST"};

std::optional<foundation::PlistDict> ReadProjectStringsTable(const std::string& language) {
    std::ifstream in(
        std::string(PACKGATE_RESOURCES_DIR) + "/" + language + ".lproj/Localizable.strings",
        std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    return foundation::ParseStringsTable(bytes);
}

class PaneSetupTest : public ::testing::Test {
  protected:
    PaneScenario scenario;
    InspectablePane& pane() { return scenario.pane(); }

    std::vector<std::string> getInstallInfo() {
        scenario.log.clear();
        pane().GetInstallInfo();
        return scenario.log.paneLines();
    }
};

TEST_F(PaneSetupTest, ViewStartsWithEightRowsTheFirstSelectedAndAnEmptyLabel) {
    ASSERT_NE(pane().m_pMatrix(), nullptr);
    ASSERT_NE(pane().m_pLabel(), nullptr);
    EXPECT_EQ(pane().m_pMatrix()->numberOfRows(), 8u);
    EXPECT_EQ(pane().m_pMatrix()->selectedRow(), std::optional<std::size_t>(0));
    EXPECT_EQ(pane().m_pLabel()->stringValue(), "");
    // The properties are the very views the Installer draws.
    EXPECT_EQ(pane().m_pMatrix(), pane().contentView().matrix);
    EXPECT_EQ(pane().m_pLabel()->window(), pane().window());
}

TEST_F(PaneSetupTest, SettersReplaceTheHeldValues) {
    pane().setM_kRevCode({"130", "120"});
    pane().setKProductTitle({"Quillet"});
    auto matrix = std::make_shared<appkit::RadioMatrix>(3);
    pane().setM_pMatrix(matrix);
    EXPECT_EQ(pane().m_kRevCode(), (std::vector<std::string>{"130", "120"}));
    EXPECT_EQ(pane().kProductTitle(), std::vector<std::string>{"Quillet"});
    EXPECT_EQ(pane().m_pMatrix(), matrix);
}

TEST_F(PaneSetupTest, TitleAndTextsComeFromTheStringsTable) {
    EXPECT_EQ(pane().title(), "Destination");
    for (const char* key : kTranslatedKeys) {
        EXPECT_NE(pane()._localizedStringForKey(key), key) << key;
    }
}

TEST_F(PaneSetupTest, KeyMissingFromTheTableReadsAsTheKey) {
    EXPECT_EQ(pane()._localizedStringForKey("NO_SUCH_TEXT"), "NO_SUCH_TEXT");
}

TEST_F(PaneSetupTest, WithoutStringsTableTitleAndLabelShowTheKeys) {
    scenario.bundle.removeResource("en.lproj");
    EXPECT_EQ(pane().title(), "Title");
    scenario.enter();
    EXPECT_EQ(pane().m_pLabel()->stringValue(), "ID_NOAP_DESCRIPTION");
}

TEST(PaneStringsTables, EveryLanguageTranslatesEveryKeyWithTheSameDirectives) {
    for (const std::string language : {"en", "zh_TW"}) {
        const auto table = ReadProjectStringsTable(language);
        ASSERT_TRUE(table) << language;
        for (const char* key : kTranslatedKeys) {
            const auto text = foundation::StringForKey(&*table, key);
            ASSERT_TRUE(text) << language << " " << key;
            EXPECT_FALSE(text->empty()) << language << " " << key;
            const bool isFormat = std::string_view(key) == "ERROR_READ_PLIST";
            // The sheet texts are shown as they stand, so only the log format may hold
            // directives: the reason, then the format code.
            const auto reason = text->find("%@");
            const auto code = text->find("%lu");
            if (isFormat) {
                ASSERT_NE(reason, std::string::npos) << language;
                ASSERT_NE(code, std::string::npos) << language;
                EXPECT_LT(reason, code) << language;
            } else {
                EXPECT_EQ(text->find('%'), std::string::npos) << language << " " << key;
            }
        }
    }
}

TEST_F(PaneSetupTest, ReadsAndLogsTheSetupValues) {
    scenario.bundle.writeSetup("120", PlistValue("1"), "Quillet Storyboard Pack");
    EXPECT_EQ(getInstallInfo(),
              (std::vector<std::string>{"gstrSOURCEVersion = 120",
                                        "gstrSOURCEPackName = Quillet Storyboard Pack"}));
    EXPECT_EQ(pane().gstrSOURCEVersion, "120");
    EXPECT_EQ(pane().gstrSOURCEPackName, "Quillet Storyboard Pack");
    EXPECT_EQ(pane().nPack_For_KZ_Store, 1);
}

TEST_F(PaneSetupTest, ProjectSetupResourceOffersBothRoutes) {
    scenario.bundle.writeResource("SetupSRC.plist", [] {
        std::ifstream in(std::string(PACKGATE_RESOURCES_DIR) + "/SetupSRC.plist");
        return std::string{std::istreambuf_iterator<char>(in), {}};
    }());
    getInstallInfo();
    EXPECT_EQ(pane().gstrSOURCEVersion, "120");
    EXPECT_TRUE(pane().gstrSOURCEPackName && !pane().gstrSOURCEPackName->empty());
    EXPECT_EQ(pane().nPack_For_KZ_Store, 0);
}

TEST_F(PaneSetupTest, MissingSetupResourceLogsTheReadErrorThenAbsentValues) {
    scenario.bundle.writeResource("en.lproj/Localizable.strings",
                                  "\"ERROR_READ_PLIST\" = \"setup unreadable: %@ / %lu\";\n");
    scenario.bundle.removeResource("SetupSRC.plist");
    pane().nPack_For_KZ_Store = 2;
    EXPECT_EQ(getInstallInfo(), (std::vector<std::string>{"setup unreadable: (null) / 0",
                                                          "gstrSOURCEVersion = (null)",
                                                          "gstrSOURCEPackName = (null)"}));
    EXPECT_EQ(pane().gstrSOURCEVersion, std::nullopt);
    EXPECT_EQ(pane().gstrSOURCEPackName, std::nullopt);
    EXPECT_EQ(pane().nPack_For_KZ_Store, 0);
}

TEST_F(PaneSetupTest, UnparsableSetupResourceLogsTheParserReason) {
    scenario.bundle.writeResource("en.lproj/Localizable.strings",
                                  "\"ERROR_READ_PLIST\" = \"setup unreadable: %@ / %lu\";\n");
    scenario.bundle.writeResource("SetupSRC.plist", "<plist><dict><key>REQUIRED_PRO");
    const auto lines = getInstallInfo();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("setup unreadable: ")) << lines[0];
    EXPECT_NE(lines[0], "setup unreadable: (null) / 0");
    EXPECT_EQ(lines[1], "gstrSOURCEVersion = (null)");
}

TEST_F(PaneSetupTest, SetupResourceThatIsNotADictionaryCountsAsUnreadable) {
    scenario.bundle.writeResource("SetupSRC.plist", "(\"120\", \"Pack\", 2)");
    const auto lines = getInstallInfo();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "gstrSOURCEVersion = (null)");
    EXPECT_EQ(pane().nPack_For_KZ_Store, 0);
}

TEST_F(PaneSetupTest, TranslatedErrorFormatCannotReadArgumentsItWasNotGiven) {
    scenario.bundle.writeResource("en.lproj/Localizable.strings",
                                  "\"ERROR_READ_PLIST\" = \"bad %s %n %@ %@ %@ %lu %x\";\n");
    scenario.bundle.removeResource("SetupSRC.plist");
    const auto lines = getInstallInfo();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "bad %s %n (null) 0 (null) 0 %x");
}

struct FlagCase {
    const char* name;
    std::optional<PlistValue> value;
    std::int64_t flag;
};

class SetupFlagTest : public PaneSetupTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(SetupFlagTest, FlagIsTheLeadingIntegerOfTextOrNumber) {
    scenario.bundle.writeSetup("120", GetParam().value);
    getInstallInfo();
    EXPECT_EQ(pane().nPack_For_KZ_Store, GetParam().flag);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SetupFlagTest,
    ::testing::Values(FlagCase{"Text2", PlistValue("2"), 2},
                      FlagCase{"Number2", PlistValue(std::int64_t{2}), 2},
                      FlagCase{"Text2abc", PlistValue("2abc"), 2},
                      FlagCase{"TextX", PlistValue("x"), 0}, FlagCase{"Missing", std::nullopt, 0},
                      FlagCase{"Number3", PlistValue(std::int64_t{3}), 3},
                      FlagCase{"TextMinus1", PlistValue("-1"), -1},
                      FlagCase{"LeadingSpace", PlistValue("  1"), 1},
                      FlagCase{"BeyondInt32", PlistValue("99999999999"), INT32_MAX}),
    [](const auto& param) { return std::string(param.param.name); });

class RemoveMatrixRowTest : public PaneSetupTest {
  protected:
    void SetUp() override {
        const auto cells = pane().m_pMatrix()->cells();
        for (std::size_t i = 0; i < cells.size(); ++i) cells[i]->setTitle(std::to_string(i));
    }
    std::vector<std::string> titles() {
        std::vector<std::string> titles;
        for (const Row& row : scenario.rows()) titles.push_back(row.title);
        return titles;
    }
};

TEST_F(RemoveMatrixRowTest, RowsOutsideTheMatrixChangeNothing) {
    for (std::int32_t row : {8, 9, -1, INT32_MIN, INT32_MAX}) pane().RemoveMatrixRow(row);
    EXPECT_EQ(titles(), (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7"}));
}

TEST_F(RemoveMatrixRowTest, RemovesExactlyTheGivenRow) {
    pane().RemoveMatrixRow(7);
    EXPECT_EQ(titles(), (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6"}));
    pane().RemoveMatrixRow(0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    pane().RemoveMatrixRow(6);
    EXPECT_EQ(titles().size(), 6u);
}

}  // namespace
}  // namespace packgate_test
