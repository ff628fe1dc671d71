#include "installer_plugins/installer_pane.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace {

using packgate_test::ScratchFolder;

std::string ViewXml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

std::string MatrixXml(const std::string& rows, const std::string& selected) {
    return ViewXml("<key>Matrix</key><dict><key>Rows</key>" + rows + "<key>SelectedRow</key>" +
                   selected + "</dict>\n");
}

void ExpectDefaults(const PaneContentView& view) {
    ASSERT_TRUE(view.window);
    ASSERT_TRUE(view.label);
    ASSERT_TRUE(view.matrix);
    EXPECT_EQ(view.label->stringValue(), "");
    EXPECT_EQ(view.matrix->numberOfRows(), 8u);
    EXPECT_EQ(view.matrix->selectedRow(), 0u);
}

TEST(LoadPaneContentView, ReadsLabelRowsAndSelection) {
    const ScratchFolder folder;
    const std::string path = folder.Write(
        "PackgatePane.view",
        ViewXml("<key>Label</key><dict><key>Text</key><string>Choose a copy</string></dict>\n"
                "<key>Matrix</key><dict><key>Rows</key><integer>5</integer>"
                "<key>SelectedRow</key><string>2</string></dict>\n"));
    const PaneContentView view = LoadPaneContentView(path);
    EXPECT_EQ(view.label->stringValue(), "Choose a copy");
    EXPECT_EQ(view.matrix->numberOfRows(), 5u);
    EXPECT_EQ(view.matrix->selectedRow(), 2u);
}

TEST(LoadPaneContentView, PlacesLabelAndMatrixInTheWindow) {
    const PaneContentView view = LoadPaneContentView(std::nullopt);
    EXPECT_EQ(view.label->window(), view.window.get());
    EXPECT_EQ(view.matrix->window(), view.window.get());
}

TEST(LoadPaneContentView, MissingOrBadFilesGiveTheDefaults) {
    const ScratchFolder folder;
    ExpectDefaults(LoadPaneContentView(std::nullopt));
    ExpectDefaults(LoadPaneContentView(folder / "missing.view"));
    ExpectDefaults(LoadPaneContentView(folder.path()));
    ExpectDefaults(LoadPaneContentView(folder.Write("junk.view", "<<< not a list")));
    ExpectDefaults(LoadPaneContentView(folder.Write(
        "array.view", "<plist version=\"1.0\"><array><integer>3</integer></array></plist>")));
    ExpectDefaults(LoadPaneContentView(folder.Write(
        "shapes.view",
        ViewXml(
            "<key>Label</key><string>not a dict</string><key>Matrix</key><integer>3</integer>"))));
}

TEST(LoadPaneContentView, OldStyleTextIsReadToo) {
    const ScratchFolder folder;
    const std::string path = folder.Write(
        "PackgatePane.view",
        "{ Label = { Text = \"Pick one\"; }; Matrix = { Rows = 3; SelectedRow = 1; }; }");
    const PaneContentView view = LoadPaneContentView(path);
    EXPECT_EQ(view.label->stringValue(), "Pick one");
    EXPECT_EQ(view.matrix->numberOfRows(), 3u);
    EXPECT_EQ(view.matrix->selectedRow(), 1u);
}

TEST(LoadPaneContentView, RowCountsOutsideTheBoundsGiveTheDefault) {
    const ScratchFolder folder;
    struct Case {
        const char* rows;
        std::size_t expected;
    } cases[] = {
        {"<integer>64</integer>", 64},
        {"<integer>0</integer>", 0},
        {"<string> 12 </string>", 12},
        {"<string>+4</string>", 4},
        {"<integer>65</integer>", 8},
        {"<integer>-1</integer>", 8},
        {"<integer>99999999999</integer>", 8},
        {"<string>abc</string>", 8},
        {"<string>4x</string>", 8},
        {"<string></string>", 8},
        {"<real>3.5</real>", 8},
        {"<true/>", 8},
    };
    for (const auto& c : cases) {
        const std::string path =
            folder.Write("rows.view", MatrixXml(c.rows, "<integer>0</integer>"));
        EXPECT_EQ(LoadPaneContentView(path).matrix->numberOfRows(), c.expected) << c.rows;
    }
}

TEST(LoadPaneContentView, SelectionMustNameARow) {
    const ScratchFolder folder;
    const auto selected = [&](const std::string& rows, const std::string& row) {
        return LoadPaneContentView(folder.Write("sel.view", MatrixXml(rows, row)))
            .matrix->selectedRow();
    };
    EXPECT_EQ(selected("<integer>3</integer>", "<integer>2</integer>"), 2u);
    EXPECT_EQ(selected("<integer>3</integer>", "<integer>3</integer>"), 0u);
    EXPECT_EQ(selected("<integer>3</integer>", "<integer>-1</integer>"), 0u);
    EXPECT_EQ(selected("<integer>3</integer>", "<string>two</string>"), 0u);
    EXPECT_EQ(selected("<integer>0</integer>", "<integer>0</integer>"), std::nullopt);
}

class BarePane : public InstallerPane {
  public:
    using InstallerPane::InstallerPane;
};

TEST(InstallerPane, BaseAnswersAreNeutral) {
    const ScratchFolder folder;
    BarePane pane(*foundation::Bundle::AtPath(folder.path()), LoadPaneContentView(std::nullopt));
    EXPECT_EQ(pane.title(), "");
    EXPECT_TRUE(pane.nextEnabled());
    pane.didEnterPane(InstallerDirectionForward);
    EXPECT_TRUE(pane.nextEnabled());
    for (const auto direction :
         {InstallerDirectionForward, InstallerDirectionBackward, InstallerDirectionUndefined}) {
        EXPECT_TRUE(pane.shouldExitPane(direction));
    }
    pane.setNextEnabled(false);
    EXPECT_FALSE(pane.nextEnabled());
    EXPECT_EQ(pane.bundle().bundlePath(), folder.path());
    EXPECT_EQ(pane.window(), pane.contentView().window.get());
    EXPECT_EQ(pane.contentView().label->window(), pane.window());
}

}  // namespace
