#include "appkit/views.h"

namespace appkit {

RadioMatrix::RadioMatrix(std::size_t rows) {
    cells_.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i) addRow();
}

std::vector<ButtonCell*> RadioMatrix::cells() const {
    std::vector<ButtonCell*> cells;
    cells.reserve(cells_.size());
    for (const auto& cell : cells_) cells.push_back(cell.get());
    return cells;
}

ButtonCell* RadioMatrix::cellAtRow(std::size_t row) const {
    return row < cells_.size() ? cells_[row].get() : nullptr;
}

ButtonCell* RadioMatrix::selectedCell() const {
    return selected_ ? cellAtRow(*selected_) : nullptr;
}

bool RadioMatrix::selectCellAtRow(std::size_t row) {
    if (row >= cells_.size()) return false;
    selected_ = row;
    return true;
}

void RadioMatrix::addRow() {
    cells_.push_back(std::make_unique<ButtonCell>());
}

void RadioMatrix::removeRow(std::size_t row) {
    if (row >= cells_.size()) return;
    cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(row));
    if (!selected_) return;
    if (*selected_ == row) {
        selected_.reset();
    } else if (*selected_ > row) {
        --*selected_;  // The selected cell moved up with the rows below the removed one.
    }
}

void BeginInformationalAlertSheet(const std::optional<std::string>& title,
                                  const std::string& defaultButton, Window* window,
                                  const std::string& messageFormat) {
    if (window == nullptr) return;
    window->showSheet(Sheet{title, messageFormat, defaultButton});
}

}  // namespace appkit
