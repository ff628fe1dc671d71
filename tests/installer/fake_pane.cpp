#include "fake_pane.h"

namespace installer_test {
namespace {

std::string Direction(InstallerSectionDirection direction) {
    return direction == InstallerDirectionForward ? "forward" : "backward";
}

}  // namespace

FakePane::FakePane()
    : InstallerPane(*foundation::Bundle::AtPath(std::filesystem::temp_directory_path().string()),
                    LoadPaneContentView(std::nullopt)) {}

void FakePane::didEnterPane(InstallerSectionDirection direction) {
    calls.push_back("enter " + Direction(direction));
    const auto& matrix = contentView().matrix;
    for (std::size_t i = 0; i < rowsToList.size() && i < matrix->numberOfRows(); ++i) {
        matrix->cellAtRow(i)->setTitle(rowsToList[i]);
        matrix->cellAtRow(i)->setTag(static_cast<long>(i));
    }
    for (std::size_t row = matrix->numberOfRows(); row > rowsToList.size(); --row) {
        matrix->removeRow(row - 1);
    }
    contentView().label->setStringValue(rowsToList.empty() ? "Nothing found." : "Choose a copy.");
    setNextEnabled(!rowsToList.empty());
}

bool FakePane::shouldExitPane(InstallerSectionDirection direction) {
    calls.push_back("exit " + Direction(direction));
    if (direction != InstallerDirectionForward || allowForward) return true;
    setNextEnabled(false);
    if (sheetOnRefusal) appkit::BeginInformationalAlertSheet(std::nullopt, "OK", window(), "Gone.");
    return false;
}

}  // namespace installer_test
