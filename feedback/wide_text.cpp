#include "feedback/wide_text.h"

#include <cstddef>

namespace feedback {
namespace {

struct SequenceShape {
    std::size_t length = 0;  // 0: not a lead byte
    char32_t leadBits = 0;
    char32_t smallest = 0;  // below it the sequence is overlong
};

SequenceShape ShapeOf(unsigned char lead) {
    if (lead < 0x80) return {1, lead, 0};
    if ((lead & 0xE0) == 0xC0) return {2, lead & 0x1Fu, 0x80};
    if ((lead & 0xF0) == 0xE0) return {3, lead & 0x0Fu, 0x800};
    if ((lead & 0xF8) == 0xF0) return {4, lead & 0x07u, 0x10000};
    return {};
}

bool IsScalarValue(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Decodes the sequence at the start of `text`; 0 when it is invalid.
std::size_t DecodeOne(std::string_view text, char32_t& codePoint) {
    const SequenceShape shape = ShapeOf(static_cast<unsigned char>(text[0]));
    if (shape.length == 0 || shape.length > text.size()) return 0;
    char32_t value = shape.leadBits;
    for (std::size_t k = 1; k < shape.length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < shape.smallest || !IsScalarValue(value)) return 0;
    codePoint = value;
    return shape.length;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    while (!text.empty() && text[0] != '\0') {
        char32_t codePoint = 0;
        const std::size_t used = DecodeOne(text, codePoint);
        if (used == 0) break;
        wide.push_back(static_cast<wchar_t>(codePoint));
        text.remove_prefix(used);
    }
    return wide;
}

}  // namespace feedback
