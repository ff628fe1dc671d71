#include "pane_checks.h"

namespace packgate_test {

std::string RowProblems(const PackgatePane& pane) {
    const std::size_t rows = pane.kProductTitle().size();
    for (const auto* array :
         {&pane.m_kProductInstallPath(), &pane.m_kProductTemplatePath(), &pane.m_kProductEM2(),
          &pane.m_kProductType(), &pane.m_kRevCode(), &pane.m_kapPlistPath()}) {
        if (array->size() != rows) return "row arrays of different lengths";
    }
    for (const std::string& type : pane.m_kProductType()) {
        if (type != "KZ" && type != "Store") return "a row of unknown product type " + type;
    }
    const auto& matrix = pane.m_pMatrix();
    if (!matrix) return "no radio matrix";
    if (matrix->numberOfRows() != rows) {
        return "the matrix shows " + std::to_string(matrix->numberOfRows()) + " rows for " +
               std::to_string(rows) + " hosts";
    }
    const auto cells = matrix->cells();
    for (std::size_t i = 0; i < rows; ++i) {
        if (cells[i]->tag() != static_cast<long>(i))
            return "row " + std::to_string(i) + " mistagged";
        if (cells[i]->title() != pane.kProductTitle()[i]) {
            return "row " + std::to_string(i) + " mistitled";
        }
    }
    if (pane.nextEnabled() != (rows != 0)) return "Continue does not match the rows";
    if (rows != 0 && matrix->selectedCell() == nullptr) return "rows without a selection";
    return "";
}

std::string SheetMessage(const PackgatePane& pane) {
    const appkit::Window* window = pane.window();
    if (window == nullptr || !window->sheet()) return "";
    return window->sheet()->message;
}

}  // namespace packgate_test
