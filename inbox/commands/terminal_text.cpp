#include "inbox/commands/terminal_text.h"

#include <cstdio>

namespace inbox {
namespace {

std::string Escape(unsigned code) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04X", code);
    return text;
}

}  // namespace

std::string TerminalText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (byte < 0x20 || byte == 0x7F) {
            shown += Escape(byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            shown += Escape(next);  // U+0080..U+009F in UTF-8
            ++i;
        } else if (byte == '\\') {
            shown += "\\\\";
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

}  // namespace inbox
