#include "system/utf8_text.h"

namespace platform {
namespace {

constexpr Utf8Char kMalformedByte{1, kReplacementCharacter, false};

bool IsScalarValue(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Where a sequence starts: its length, the value bits of its lead byte, and the bounds of its
// second byte, which alone rule out overlong forms (E0, F0), surrogates (ED) and values past
// U+10FFFF (F4). Length 0 for a byte that cannot lead.
struct LeadShape {
    std::size_t length = 0;
    char32_t bits = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};

LeadShape ShapeOf(unsigned char lead) {
    LeadShape shape;
    if (lead >= 0xC2 && lead <= 0xDF) {
        shape.length = 2;
        shape.bits = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        shape.length = 3;
        shape.bits = lead & 0x0Fu;
        if (lead == 0xE0) shape.low = 0xA0;
        if (lead == 0xED) shape.high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        shape.length = 4;
        shape.bits = lead & 0x07u;
        if (lead == 0xF0) shape.low = 0x90;
        if (lead == 0xF4) shape.high = 0x8F;
    }
    return shape;
}

}  // namespace

Utf8Char DecodeUtf8(std::string_view text) {
    if (text.empty()) return {};
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(0) < 0x80) return {1, byte(0), true};
    const LeadShape shape = ShapeOf(byte(0));
    if (shape.length == 0 || text.size() < shape.length) return kMalformedByte;
    if (byte(1) < shape.low || byte(1) > shape.high) return kMalformedByte;
    char32_t code = shape.bits;
    for (std::size_t i = 1; i < shape.length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) return kMalformedByte;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    return {shape.length, code, true};
}

std::u32string DecodeUtf8Text(std::string_view text, Utf8Malformed policy) {
    std::u32string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Char c = DecodeUtf8(text);
        if (!c.valid && policy == Utf8Malformed::kStop) break;
        out.push_back(c.code);
        text.remove_prefix(c.bytes);
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const Utf8Char c = DecodeUtf8(text);
        if (!c.valid) return false;
        text.remove_prefix(c.bytes);
    }
    return true;
}

bool AppendUtf8(std::string& out, char32_t codePoint) {
    if (!IsScalarValue(codePoint)) return false;
    const auto put = [&](char32_t bits) { out.push_back(static_cast<char>(bits)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | (codePoint >> 6));
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | (codePoint >> 12));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | (codePoint >> 18));
        put(0x80 | ((codePoint >> 12) & 0x3F));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
    return true;
}

}  // namespace platform
