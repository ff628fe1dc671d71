#include "installer/check/format_directives.h"

#include <cctype>

namespace installer {
namespace {

bool IsLengthLetter(char c) {
    return c == 'l' || c == 'h' || c == 'q' || c == 'z' || c == 't' || c == 'j' || c == 'L';
}

}  // namespace

std::vector<std::string> FormatDirectives(std::string_view text) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        std::size_t at = i + 1;
        if (at < text.size() && text[at] == '%') {
            i = at;
            continue;
        }
        // Position ("1$"), flags, width and precision say nothing about the argument's type.
        while (at < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '$' ||
                text[at] == '-' || text[at] == '+' || text[at] == ' ' || text[at] == '#' ||
                text[at] == '.' || text[at] == '*')) {
            ++at;
        }
        std::string directive = "%";
        while (at < text.size() && IsLengthLetter(text[at])) directive += text[at++];
        if (at < text.size()) directive += text[at];
        found.push_back(directive);
        i = at;
    }
    return found;
}

}  // namespace installer
