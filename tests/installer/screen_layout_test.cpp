// What the terminal screen shows for each step, laid out for a given size.
#include "installer/terminal/screen_layout.h"
#include "decided_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "installer/text/text_wrap.h"

namespace installer_test {
namespace {

installer::PaneRow Row(long tag, std::string title, bool selected) {
    installer::PaneRow row;
    row.tag = tag;
    row.title = std::move(title);
    row.selected = selected;
    return row;
}

using installer::FlowStep;
using installer::FrameText;
using installer::LayoutScreen;
using installer::ScreenInput;

std::string Screen(const ScreenInput& model, int width, int height) {
    std::string text;
    for (const std::string& line : FrameText(LayoutScreen(installer_test::Decided(model), width, height), width, height)) {
        text += line + "\n";
    }
    return text;
}

ScreenInput PaneModel() {
    ScreenInput model;
    model.flow.step = FlowStep::Pane;
    model.flow.packTitle = "Storyboard Pack";
    model.flow.pane.title = "Destination";
    model.flow.pane.label =
        "Select the copy of Quillet that should receive this content pack, then "
        "click Continue.";
    model.flow.pane.rows = {Row(0, "Quillet 5 Studio", true), Row(1, "Quillet 5 ( Apple Store )", false)};
    model.flow.pane.nextEnabled = true;
    return model;
}

bool Contains(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

TEST(InstallerScreen, ShowsThePaneTitleLabelRowsAndButtons) {
    const std::string screen = Screen(PaneModel(), 80, 24);
    EXPECT_TRUE(Contains(screen, " Install Storyboard Pack")) << screen;
    EXPECT_TRUE(Contains(screen, "Introduction > Destination > Summary"));
    EXPECT_TRUE(Contains(screen, "(*) Quillet 5 Studio"));
    EXPECT_TRUE(Contains(screen, "( ) Quillet 5 ( Apple Store )"));
    EXPECT_TRUE(Contains(screen, "[ Go Back ]  [ Continue ]"));
    EXPECT_TRUE(Contains(screen, "Select the copy of Quillet"));
}

TEST(InstallerScreen, LongLabelsWrapWithinTheScreen) {
    const int width = 44;  // 40 columns for the content between the margins.
    const auto lines = FrameText(LayoutScreen(installer_test::Decided(PaneModel()), width, 24), width, 24);
    for (const std::string& line : lines) EXPECT_LE(line.size(), std::size_t{width}) << line;
    const auto has = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), "  " + text) != lines.end();
    };
    EXPECT_TRUE(has("Select the copy of Quillet that should"));
    EXPECT_TRUE(has("receive this content pack, then click"));
    EXPECT_TRUE(has("Continue."));
}

TEST(InstallerScreen, ContinueLooksDisabledWhenThePaneDisablesIt) {
    ScreenInput model = PaneModel();
    model.flow.pane.nextEnabled = false;
    const auto frame = LayoutScreen(installer_test::Decided(model), 80, 24);
    bool found = false;
    for (const auto& span : frame.layers.front().spans) {
        if (span.text == "[ Continue ]") {
            found = true;
            EXPECT_EQ(span.style, installer::Style::ButtonDisabled);
        }
    }
    EXPECT_TRUE(found);
}

TEST(InstallerScreen, TheSheetIsABoxOverThePaneWithItsOneButton) {
    ScreenInput model = PaneModel();
    model.flow.pane.sheet = appkit::Sheet{std::nullopt, "The template folder could not be found.", "OK"};
    const auto frame = LayoutScreen(installer_test::Decided(model), 80, 24);
    ASSERT_EQ(frame.layers.size(), 2u);
    ASSERT_TRUE(frame.layers.back().box);
    const std::string screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, "The template folder could not be found.")) << screen;
    EXPECT_TRUE(Contains(screen, "[ OK ]"));
    EXPECT_TRUE(Contains(screen, "Enter press the message's button"));
}

TEST(InstallerScreen, ASmallScreenSaysSoInsteadOfDrawingThePane) {
    for (const auto& [width, height] : {std::pair{30, 24}, {80, 8}, {39, 24}, {80, 11}}) {
        ScreenInput model = PaneModel();
        model.flow.pane.rows.resize(8, Row(2, "Another copy", false));
        const auto frame = LayoutScreen(installer_test::Decided(model), width, height);
        EXPECT_TRUE(frame.tooSmall) << width << "x" << height;
        const std::string screen = Screen(model, width, height);
        EXPECT_TRUE(Contains(screen, "too small")) << screen;
        EXPECT_FALSE(Contains(screen, "Another copy"));
    }
}

TEST(InstallerScreen, TitlesCannotSendEscapeSequencesToTheTerminal) {
    ScreenInput model = PaneModel();
    model.flow.pane.rows[0].title = "Evil \x1b]0;pwned\x07 title";
    const std::string screen = Screen(model, 80, 24);
    EXPECT_EQ(screen.find('\x1b'), std::string::npos);
    EXPECT_EQ(screen.find('\x07'), std::string::npos);
    EXPECT_TRUE(Contains(screen, "title"));
}

TEST(InstallerScreen, TheSummaryShowsTheHandoffListPathAndItsSixValues) {
    ScreenInput model;
    model.flow.step = FlowStep::Summary;
    model.flow.packTitle = "Pack";
    installer::HandoffList handoff;
    handoff.path = "/home/u/Library/Preferences/TempContentInstallPath.plist";
    handoff.writtenByThisExit = true;
    handoff.values = HandoffValues{
        "/p.plist", "130", "KZ", "EM2-VALUE", "/templates", "/Applications/Quillet.app"};
    model.flow.handoff = handoff;
    const std::string screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, handoff.path)) << screen;
    for (const char* text : {"Plist Path", "Version Code", "PRODUCT_TYPE", "EM2-VALUE",
                             "ContTemplatePath", "/Applications/Quillet.app", "[ Finish ]"}) {
        EXPECT_TRUE(Contains(screen, text)) << text;
    }
    EXPECT_FALSE(Contains(screen, "Warning"));
}

TEST(InstallerScreen, TheLogViewShowsTheNewestLinesUnlessScrolled) {
    ScreenInput model = PaneModel();
    model.ui.overlay = installer::Overlay::Log;
    for (int i = 0; i < 100; ++i) model.logEntries.push_back({"10:00:00.000", "line " + std::to_string(i)});
    std::string screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, "line 99")) << screen;
    EXPECT_FALSE(Contains(screen, "line 50"));
    model.ui.logScroll = 49;
    screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, "line 50"));
    EXPECT_FALSE(Contains(screen, "line 99"));
    model.ui.logScroll = 100000;  // Past the top: the oldest lines.
    screen = Screen(model, 80, 24);
    EXPECT_TRUE(Contains(screen, "line 0\n") || Contains(screen, "line 0 "));
}

// A combining mark shares its letter's cell and a wide character takes two, so text after
// them stands in the column the terminal puts it in.
TEST(InstallerScreen, MarksAndWideCharactersKeepLaterTextInItsColumn) {
    installer::Frame frame;
    installer::Layer layer;
    layer.spans = {{0, 0, "e\xcc\x81\xe4\xb8\xad\xf0\x9f\x98\x80x"}, {0, 7, "|"}};
    frame.layers.push_back(layer);
    EXPECT_EQ(FrameText(frame, 10, 1),
              (std::vector<std::string>{"e\xcc\x81\xe4\xb8\xad\xf0\x9f\x98\x80x |"}));
}

TEST(InstallerScreen, ChineseTextFitsTheScreenWithItsPunctuationInPlace) {
    ScreenInput model = PaneModel();
    model.flow.pane.title = "\xe5\xae\x89\xe8\xa3\x9d\xe4\xbd\x8d\xe7\xbd\xae";  // 安裝位置
    // 請選擇要安裝此內容包的 Quillet，然後按一下「繼續」。
    model.flow.pane.label =
        "\xe8\xab\x8b\xe9\x81\xb8\xe6\x93\x87\xe8\xa6\x81\xe5\xae\x89\xe8\xa3\x9d"
        "\xe6\xad\xa4\xe5\x85\xa7\xe5\xae\xb9\xe5\x8c\x85\xe7\x9a\x84 Quillet\xef\xbc\x8c"
        "\xe7\x84\xb6\xe5\xbe\x8c\xe6\x8c\x89\xe4\xb8\x80\xe4\xb8\x8b\xe3\x80\x8c"
        "\xe7\xb9\xbc\xe7\xba\x8c\xe3\x80\x8d\xe3\x80\x82";
    for (const int width : {40, 41, 44, 50, 60}) {
        const auto lines = FrameText(LayoutScreen(installer_test::Decided(model), width, 24), width, 24);
        for (const std::string& line : lines) {
            EXPECT_LE(installer::DisplayWidth(line), std::size_t(width)) << line;
            EXPECT_FALSE(line.ends_with("\xe3\x80\x8c")) << line;                   // 「
            EXPECT_EQ(line.find("  \xe3\x80\x8d"), std::string::npos) << line;       // 」
            EXPECT_EQ(line.find("  \xef\xbc\x8c"), std::string::npos) << line;       // ，
        }
    }
}

}  // namespace
}  // namespace installer_test
