// Long lists, narrow screens and the log viewer, laid out without a terminal.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "installer/terminal/screen_layout.h"
#include "decided_screen.h"
#include "installer/text/text_wrap.h"

namespace installer_test {
namespace {

using installer::FlowStep;
using installer::Frame;
using installer::FrameText;
using installer::LayoutScreen;
using installer::ScreenInput;

ScreenInput ManyRows(std::size_t count, std::size_t selected) {
    ScreenInput model;
    model.flow.step = FlowStep::Pane;
    model.flow.packTitle = "Pack";
    model.flow.pane.title = "Destination";
    model.flow.pane.label = "Select the copy of Quillet that should receive this content pack.";
    model.flow.pane.nextEnabled = true;
    for (std::size_t i = 0; i < count; ++i) {
        installer::PaneRow row;
        row.tag = static_cast<long>(i);
        row.title = "Copy number " + std::to_string(i + 1);
        row.selected = i == selected;
        model.flow.pane.rows.push_back(row);
    }
    return model;
}

std::string Text(const Frame& frame, int width, int height) {
    std::string text;
    for (const std::string& line : FrameText(frame, width, height)) text += line + "\n";
    return text;
}

bool Contains(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

TEST(ScrolledList, TheSelectedRowIsAlwaysInViewWithItsPosition) {
    for (std::size_t selected : {0u, 17u, 39u}) {
        ScreenInput model = ManyRows(40, selected);
        const Frame frame = LayoutScreen(installer_test::Decided(model), 80, 24);
        const std::string screen = Text(frame, 80, 24);
        ASSERT_FALSE(frame.tooSmall) << screen;
        EXPECT_TRUE(Contains(screen, "(*) Copy number " + std::to_string(selected + 1) + "\n") ||
                    Contains(screen, "(*) Copy number " + std::to_string(selected + 1) + " "))
            << screen;
        EXPECT_TRUE(Contains(screen, " of 40")) << screen;
        EXPECT_TRUE(Contains(screen, "[ Continue ]"));  // The buttons stay.
        EXPECT_TRUE(Contains(screen, "Destination\n"));  // So does the heading.
    }
    // The last row in view at the bottom, and the indicator counts from 1.
    ScreenInput model = ManyRows(40, 39);
    const std::string screen = Text(LayoutScreen(installer_test::Decided(model), 80, 24), 80, 24);
    EXPECT_TRUE(Contains(screen, "-40 of 40")) << screen;
    EXPECT_FALSE(Contains(screen, "Copy number 1 ")) << screen;
}

TEST(ScrolledList, ScrollingMovesOnlyAsFarAsTheSelectionNeeds) {
    ScreenInput model = ManyRows(40, 5);
    model.ui.scroll = 3;  // Where the last frame stood: row 6 is in view from there.
    Frame frame = LayoutScreen(installer_test::Decided(model), 80, 24);
    EXPECT_EQ(frame.scroll, 3u);
    EXPECT_TRUE(Contains(Text(frame, 80, 24), "4-")) << Text(frame, 80, 24);
    model.ui.scroll = 30;  // Below the selection: back up to it.
    frame = LayoutScreen(installer_test::Decided(model), 80, 24);
    EXPECT_EQ(frame.scroll, 5u);
    EXPECT_GT(frame.pageRows, 3);
}

TEST(ScrolledList, TheMinimumSizeDoesNotDependOnTheRowCount) {
    for (std::size_t count : {1u, 2u, 8u, 40u, 300u}) {
        const ScreenInput model = ManyRows(count, count - 1);
        const int w = installer::kMinWidth;
        const int h = installer::kMinHeight;
        const Frame frame = LayoutScreen(installer_test::Decided(model), w, h);
        const std::string screen = Text(frame, w, h);
        EXPECT_FALSE(frame.tooSmall) << count << "\n" << screen;
        EXPECT_TRUE(Contains(screen, "(*) Copy number " + std::to_string(count))) << screen;
        EXPECT_TRUE(LayoutScreen(installer_test::Decided(model), w - 1, h).tooSmall);
        EXPECT_TRUE(LayoutScreen(installer_test::Decided(model), w, h - 1).tooSmall);
    }
}

TEST(ScrolledList, KeyHintsShortenWholeInsteadOfBeingCut) {
    const ScreenInput model = ManyRows(3, 0);
    const std::string wide = FrameText(LayoutScreen(installer_test::Decided(model), 100, 24), 100, 24).back();
    EXPECT_TRUE(Contains(wide, "Enter/c Continue")) << wide;
    EXPECT_TRUE(Contains(wide, "q quit")) << wide;
    const std::string narrow = FrameText(LayoutScreen(installer_test::Decided(model), 40, 24), 40, 24).back();
    EXPECT_FALSE(Contains(narrow, "Enter/c Continue")) << narrow;
    EXPECT_TRUE(Contains(narrow, "Enter")) << narrow;
    // Every hint shown is whole: the line ends with a complete short hint.
    EXPECT_TRUE(narrow.ends_with("quit") || narrow.ends_with("log") || narrow.ends_with("back"))
        << "[" << narrow << "]";
}

TEST(ScrolledList, WaitsSayWhatIsAwaitedAndForHowLong) {
    ScreenInput model = ManyRows(2, 0);
    model.flow.wait = installer::FlowWait::LeavingPane;
    model.waitSeconds = 7;
    const std::string screen = Text(LayoutScreen(installer_test::Decided(model), 80, 24), 80, 24);
    EXPECT_TRUE(Contains(screen, "Sending the install report… 7 s")) << screen;
    model.flow.step = FlowStep::Introduction;
    model.flow.wait = installer::FlowWait::EnteringPane;
    EXPECT_TRUE(Contains(Text(LayoutScreen(installer_test::Decided(model), 80, 24), 80, 24), "Looking for copies of Quillet…"));
}

TEST(LogViewer, MessageFirstThenTimeIndentKeptPositionAndFilter) {
    ScreenInput model = ManyRows(2, 0);
    model.ui.overlay = installer::Overlay::Log;
    model.logEntries = {{"10:11:12.345", "didEnterPane"},
                        {"10:11:13.000", "    indented detail"},
                        {"10:11:14.500", "Exit Yes"}};
    std::string screen = Text(LayoutScreen(installer_test::Decided(model), 80, 24), 80, 24);
    EXPECT_TRUE(Contains(screen, "│ didEnterPane") || Contains(screen, "| didEnterPane")) << screen;
    EXPECT_TRUE(Contains(screen, "10:11:12.345")) << screen;
    EXPECT_LT(screen.find("didEnterPane"), screen.find("10:11:12.345"));
    EXPECT_TRUE(Contains(screen, "     indented detail")) << screen;
    EXPECT_FALSE(Contains(screen, "packgate-installer[1:2]"));
    EXPECT_TRUE(Contains(screen, "lines 1-3 of 3")) << screen;
    model.ui.logFilter = "Exit";
    screen = Text(LayoutScreen(installer_test::Decided(model), 80, 24), 80, 24);
    EXPECT_TRUE(Contains(screen, "Exit Yes"));
    EXPECT_FALSE(Contains(screen, "didEnterPane")) << screen;
    EXPECT_TRUE(Contains(screen, "lines 1-1 of 1")) << screen;
    EXPECT_TRUE(Contains(screen, "filter: Exit")) << screen;
}

}  // namespace
}  // namespace installer_test
