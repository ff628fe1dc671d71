#include "installer/text/line_breaks.h"

#include <unilbrk.h>

#include <cstdint>

namespace installer {

std::vector<bool> LineBreakOpportunities(std::string_view text) {
    std::vector<char> marks(text.size());
    u8_possible_linebreaks(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                           "UTF-8", marks.data());
    std::vector<bool> breaks(text.size());
    for (std::size_t i = 0; i < marks.size(); ++i) {
        breaks[i] = marks[i] == UC_BREAK_POSSIBLE || marks[i] == UC_BREAK_MANDATORY;
    }
    return breaks;
}

}  // namespace installer
