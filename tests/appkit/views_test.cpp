#include "appkit/views.h"

#include <gtest/gtest.h>

namespace {

using appkit::RadioMatrix;

// Titles every row with its index, so moved rows can be recognised.
void TitleRows(RadioMatrix& matrix) {
    const auto cells = matrix.cells();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i]->setTitle("row " + std::to_string(i));
        cells[i]->setTag(static_cast<long>(i));
    }
}

std::vector<std::string> Titles(const RadioMatrix& matrix) {
    std::vector<std::string> titles;
    for (const auto* cell : matrix.cells()) titles.push_back(cell->title());
    return titles;
}

TEST(RadioMatrix, StartsWithEmptyRowsAndNoSelection) {
    const RadioMatrix matrix(8);
    EXPECT_EQ(matrix.numberOfRows(), 8u);
    EXPECT_EQ(matrix.cells().size(), 8u);
    EXPECT_EQ(matrix.selectedCell(), nullptr);
    EXPECT_FALSE(matrix.selectedRow());
    EXPECT_EQ(matrix.cellAtRow(7)->title(), "");
    EXPECT_EQ(matrix.cellAtRow(8), nullptr);
}

TEST(RadioMatrix, SelectsOnlyExistingRows) {
    RadioMatrix matrix(3);
    EXPECT_TRUE(matrix.selectCellAtRow(2));
    EXPECT_EQ(matrix.selectedCell(), matrix.cellAtRow(2));
    EXPECT_FALSE(matrix.selectCellAtRow(3));
    EXPECT_EQ(matrix.selectedRow(), 2u);
}

TEST(RadioMatrix, RemovingRowsBelowLeavesTheSelection) {
    RadioMatrix matrix(8);
    TitleRows(matrix);
    matrix.selectCellAtRow(1);
    for (std::size_t row = 7; row >= 3; --row) matrix.removeRow(row);
    EXPECT_EQ(Titles(matrix), (std::vector<std::string>{"row 0", "row 1", "row 2"}));
    EXPECT_EQ(matrix.selectedRow(), 1u);
    EXPECT_EQ(matrix.selectedCell()->tag(), 1);
}

TEST(RadioMatrix, RemovingARowAboveKeepsTheSameCellSelected) {
    RadioMatrix matrix(4);
    TitleRows(matrix);
    matrix.selectCellAtRow(2);
    const appkit::ButtonCell* selected = matrix.selectedCell();
    matrix.removeRow(0);
    EXPECT_EQ(matrix.selectedRow(), 1u);
    EXPECT_EQ(matrix.selectedCell(), selected);
    EXPECT_EQ(matrix.selectedCell()->title(), "row 2");
}

TEST(RadioMatrix, RemovingTheSelectedRowLeavesNoSelection) {
    RadioMatrix matrix(3);
    TitleRows(matrix);
    matrix.selectCellAtRow(1);
    matrix.removeRow(1);
    EXPECT_EQ(matrix.selectedCell(), nullptr);
    EXPECT_EQ(Titles(matrix), (std::vector<std::string>{"row 0", "row 2"}));
}

TEST(RadioMatrix, RemovingARowThatDoesNotExistChangesNothing) {
    RadioMatrix matrix(8);
    TitleRows(matrix);
    matrix.selectCellAtRow(7);
    matrix.removeRow(8);
    matrix.removeRow(static_cast<std::size_t>(-1));
    EXPECT_EQ(matrix.numberOfRows(), 8u);
    EXPECT_EQ(matrix.selectedRow(), 7u);
    matrix.removeRow(7);
    EXPECT_EQ(matrix.numberOfRows(), 7u);
    EXPECT_EQ(matrix.cellAtRow(6)->title(), "row 6");
}

TEST(RadioMatrix, AllRowsCanGoAndComeBack) {
    RadioMatrix matrix(8);
    matrix.selectCellAtRow(0);
    for (std::size_t row = 8; row-- > 0;) matrix.removeRow(row);
    EXPECT_EQ(matrix.numberOfRows(), 0u);
    EXPECT_TRUE(matrix.cells().empty());
    EXPECT_EQ(matrix.selectedCell(), nullptr);
    matrix.addRow();
    EXPECT_EQ(matrix.numberOfRows(), 1u);
    EXPECT_EQ(matrix.cellAtRow(0)->title(), "");
    EXPECT_EQ(matrix.selectedCell(), nullptr);
}

TEST(RadioMatrix, CellPointersSurviveRemovalOfOtherRows) {
    RadioMatrix matrix(3);
    TitleRows(matrix);
    const appkit::ButtonCell* last = matrix.cellAtRow(2);
    matrix.removeRow(0);
    matrix.addRow();
    EXPECT_EQ(matrix.cellAtRow(1), last);
    EXPECT_EQ(last->title(), "row 2");
}

TEST(InformationalAlertSheet, ShowsOnTheWindowAndReturnsAtOnce) {
    appkit::Window window;
    appkit::TextField label;
    label.setWindow(&window);
    appkit::BeginInformationalAlertSheet(std::nullopt, "OK", label.window(),
                                         "Template folder %@ not found");
    ASSERT_TRUE(window.sheet());
    EXPECT_FALSE(window.sheet()->title);
    EXPECT_EQ(window.sheet()->defaultButton, "OK");
    EXPECT_EQ(window.sheet()->message, "Template folder %@ not found");
    window.endSheet();
    EXPECT_FALSE(window.sheet());
    appkit::BeginInformationalAlertSheet("Title", "OK", nullptr, "message");  // No window.
    EXPECT_FALSE(window.sheet());
}

}  // namespace
