#include "installer/terminal/candidate_lines.h"

#include <cstddef>

#include "installer/present/row_texts.h"
#include "installer/text/text_wrap.h"
#include "installer/words/words.h"

namespace installer {
namespace {

std::size_t Columns(int width) {
    return width > 1 ? static_cast<std::size_t>(width) : 1;
}

}  // namespace

std::vector<std::string> RowDetailLines(const PaneRow& row, int width) {
    const std::string details = RowDetails(row);
    if (details.empty()) return {};
    return WrapText(PrintableText(details, false), Columns(width));
}

std::vector<std::string> TurnedAwayLines(const PaneView& view, int width) {
    std::vector<std::string> lines;
    for (const std::string& turnedAway : installer::TurnedAwayLines(view)) {
        if (lines.empty()) lines.push_back(Words::ForUser().text("copies.heading"));
        for (std::string& line : WrapText(PrintableText(turnedAway, false), Columns(width - 2))) {
            lines.push_back("  " + line);
        }
    }
    return lines;
}

}  // namespace installer
