#include "utf8_reference.h"

namespace packgate_fuzz {

std::size_t DecodeUtf8(std::string_view text, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (lead >= 0xC0 && lead <= 0xDF) {
        length = 2, c = lead & 0x1Fu, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0Fu, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
        length = 4, c = lead & 0x07u, smallest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if (next < 0x80 || next > 0xBF) return 0;
        c = (c << 6) | (next & 0x3Fu);
    }
    return (c < smallest || !IsScalarValue(c)) ? 0 : length;
}

std::u32string DecodeUtf8Prefix(std::string_view text) {
    std::u32string decoded;
    while (!text.empty() && text[0] != '\0') {
        char32_t c = 0;
        const std::size_t used = DecodeUtf8(text, c);
        if (used == 0) break;
        decoded.push_back(c);
        text.remove_prefix(used);
    }
    return decoded;
}

bool IsScalarValue(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

std::string EncodeUtf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace packgate_fuzz
