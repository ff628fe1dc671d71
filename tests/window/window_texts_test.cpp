// The window's texts built from what the flow reports.
#include <gtest/gtest.h>

#include "installer/present/log_texts.h"
#include "installer/present/row_texts.h"
#include "installer/window/window_texts.h"

namespace installer {
namespace {

const Words& English() {
    static const Words words = Words::ForLanguage("en");
    return words;
}

TEST(WindowTexts, RowDetailsSayWhatThePaneRecorded) {
    PaneRow row;
    EXPECT_EQ(RowDetails(row, English()), "");
    row.kind = "store";
    EXPECT_EQ(RowDetails(row, English()), "Version unknown · App Store · unknown");
    row.version = "5.2.1";
    row.path = "/Applications/Quillet.app";
    EXPECT_EQ(RowDetails(row, English()),
              "Version 5.2.1 · App Store · /Applications/Quillet.app");
    row.kind = "unknown-kind";  // Shown as the pane recorded it.
    EXPECT_EQ(RowDetails(row, English()), "Version 5.2.1 · unknown-kind · /Applications/Quillet.app");
}

TEST(WindowTexts, OnlyTurnedAwayCopiesAreListedWithTheirReasons) {
    PaneView pane;
    CandidateView offered;
    offered.name = "quillet";
    offered.offered = true;
    CandidateView old;
    old.name = "quillet4";
    old.reason = "its revision code is below what the pack needs";
    CandidateView unnamed;
    unnamed.path = "/Applications/Q.app";
    unnamed.reasonCode = "app-missing";
    pane.candidates = {offered, old, unnamed};
    EXPECT_EQ(TurnedAwayLines(pane, English()),
              (std::vector<std::string>{"quillet4: its revision code is below what the pack needs",
                                        "/Applications/Q.app: app-missing"}));
}

TEST(WindowTexts, SummarySaysWhatHappenedInPlainWords) {
    EXPECT_EQ(MakeSummary(English(), "Pack", std::nullopt, std::nullopt).paragraphs,
              std::vector<std::string>{"Nothing was installed."});

    HandoffList handoff;
    handoff.path = "/h/Library/Preferences/TempContentInstallPath.plist";
    handoff.writtenByThisExit = false;
    SummaryText unread = MakeSummary(English(), "Pack", handoff, std::nullopt);
    ASSERT_EQ(unread.paragraphs.size(), 4u);
    EXPECT_NE(unread.paragraphs[1].find(handoff.path), std::string::npos);
    EXPECT_EQ(unread.paragraphs[2].rfind("Warning:", 0), 0u);
    EXPECT_EQ(unread.paragraphs[3], "The list of install facts could not be read.");
    EXPECT_TRUE(unread.values.empty());

    handoff.writtenByThisExit = true;
    handoff.values.emplace();
    handoff.values->installPath = "/Applications/Quillet.app";
    const SummaryText read = MakeSummary(English(), "Pack", handoff, std::nullopt);
    EXPECT_EQ(read.paragraphs.size(), 2u);
    ASSERT_EQ(read.values.size(), 6u);
    EXPECT_EQ(read.values[0], (std::pair<std::string, std::string>{"Plist Path", "(missing)"}));
    EXPECT_EQ(read.values[5].second, "/Applications/Quillet.app");

    InstallReport report;
    report.error = "/t/ink.qtp: no space left on the device";
    const SummaryText failed = MakeSummary(English(), "Pack", handoff, report);
    ASSERT_GE(failed.paragraphs.size(), 3u);
    EXPECT_EQ(failed.paragraphs[0], "Pack was not installed: /t/ink.qtp: no space left on the device");
    EXPECT_EQ(failed.paragraphs[1],
              "Nothing of the pack was left behind; the template folder is as it was.");
    // The handoff list's values stay as the details.
    EXPECT_EQ(failed.values.size(), 6u);
    report.installed = true;
    report.packTitle = "Ink Pack";
    report.packVersion = "1.2";
    report.hostTitle = "Quillet 5 Studio";
    report.destination = "/t";
    report.files = 12;
    report.bytes = 1400000;
    report.receiptPath = "/h/r.plist";
    report.keptFiles = {"a.qtp"};
    const SummaryText done = MakeSummary(English(), "Pack", std::nullopt, report);
    EXPECT_EQ(done.paragraphs,
              (std::vector<std::string>{
                  "Ink Pack 1.2 was installed into Quillet 5 Studio: 12 files, 1.4 MB, in /t",
                  "Kept, because it was changed since the earlier install: a.qtp",
                  "Receipt: /h/r.plist"}));
    EXPECT_TRUE(done.values.empty());
}

TEST(WindowTexts, LogLinesPutTheMessageFirst) {
    EXPECT_EQ(MessageThenTime({"07:08:09.123", "didEnterPane: x"}), "didEnterPane: x  (07:08:09)");
    // A message holding "] " or a time of its own is kept whole: nothing is read out of it.
    EXPECT_EQ(MessageThenTime({"07:08:09.123", "a] b"}), "a] b  (07:08:09)");
    EXPECT_EQ(MessageThenTime({"23:59:59.999", "2024-05-06 07:08:09.123 p[1:2] m"}),
              "2024-05-06 07:08:09.123 p[1:2] m  (23:59:59)");
    EXPECT_EQ(MessageThenTime({"00:00:00.000", "    indented"}), "    indented  (00:00:00)");
}

TEST(WindowTexts, EveryEnglishWindowTextIsTranslated) {
    const Words chinese = Words::ForLanguage("zh_TW");
    for (const std::string& key : English().keys()) {
        if (key.rfind("window.", 0) == 0) {
            EXPECT_TRUE(chinese.has(key)) << key;
        }
    }
    EXPECT_EQ(WaitText(chinese, FlowWait::LeavingPane, 3), "正在檢查所選的 Quillet，並傳送安裝報告… 3 秒");
}

}  // namespace
}  // namespace installer
