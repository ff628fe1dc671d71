// UTF-8 <-> wide conversions done by hand, so that no call depends on or changes the process
// locale (switching it would race with every other thread of the host process).
#include <cstddef>
#include <string>

#include <cipherkit/utf8_convert.h>

static_assert(sizeof(wchar_t) == 4, "wide strings hold one code point per element");

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

constexpr bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

char Byte(char32_t bits) {
    return static_cast<char>(static_cast<unsigned char>(bits));
}

// Appends the UTF-8 form of `c`; false when `c` has none.
bool AppendUtf8(char32_t c, std::string& out) {
    if (c > kMaxCodePoint || IsSurrogate(c)) return false;
    if (c < 0x80) {
        out += Byte(c);
    } else if (c < 0x800) {
        out += Byte(0xC0 | (c >> 6));
        out += Byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += Byte(0xE0 | (c >> 12));
        out += Byte(0x80 | ((c >> 6) & 0x3F));
        out += Byte(0x80 | (c & 0x3F));
    } else {
        out += Byte(0xF0 | (c >> 18));
        out += Byte(0x80 | ((c >> 12) & 0x3F));
        out += Byte(0x80 | ((c >> 6) & 0x3F));
        out += Byte(0x80 | (c & 0x3F));
    }
    return true;
}

// Shape of a well-formed sequence by its lead byte: its length and the range allowed for its
// second byte, which is what rules out overlong forms, surrogates and values above U+10FFFF.
struct LeadRule {
    std::size_t length;
    unsigned char secondMin;
    unsigned char secondMax;
    char32_t leadBits;
};

constexpr LeadRule RuleFor(unsigned char lead) {
    if (lead < 0x80) return {1, 0, 0, lead};
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF, lead & 0x1Fu};
    if (lead == 0xE0) return {3, 0xA0, 0xBF, lead & 0x0Fu};
    if (lead == 0xED) return {3, 0x80, 0x9F, lead & 0x0Fu};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF, lead & 0x0Fu};
    if (lead == 0xF0) return {4, 0x90, 0xBF, lead & 0x07u};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF, lead & 0x07u};
    if (lead == 0xF4) return {4, 0x80, 0x8F, lead & 0x07u};
    return {0, 0, 0, 0};  // continuation byte, C0, C1 or F5-FF: never a lead
}

// Decodes the sequence at `pos`; returns its length, or 0 when it is not well-formed.
std::size_t DecodeUtf8(const std::string& text, std::size_t pos, char32_t& c) {
    const auto byteAt = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const LeadRule rule = RuleFor(byteAt(pos));
    if (rule.length == 0 || text.size() - pos < rule.length) return 0;
    c = rule.leadBits;
    for (std::size_t k = 1; k < rule.length; ++k) {
        const unsigned char next = byteAt(pos + k);
        const unsigned char low = k == 1 ? rule.secondMin : 0x80;
        const unsigned char high = k == 1 ? rule.secondMax : 0xBF;
        if (next < low || next > high) return 0;
        c = (c << 6) | (next & 0x3Fu);
    }
    return rule.length;
}

}  // namespace

std::string ConvertToString(std::wstring text) {
    std::string out;
    out.reserve(text.size());
    for (const wchar_t w : text) {
        const auto c = static_cast<char32_t>(w);
        if (c == 0 || !AppendUtf8(c, out)) break;
    }
    return out;
}

std::wstring ConvertToWstring(std::string text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] != '\0') {
        char32_t c = 0;
        const std::size_t length = DecodeUtf8(text, pos, c);
        if (length == 0) break;
        out += static_cast<wchar_t>(c);
        pos += length;
    }
    return out;
}
