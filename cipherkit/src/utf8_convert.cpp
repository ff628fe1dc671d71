// UTF-8 <-> wide conversions done by hand, so that no call depends on or changes the process
// locale (switching it would race with every other thread of the host process).
#include <cstddef>
#include <string>

#include <cipherkit/utf8_convert.h>

#include "ascii_runs.h"
#include "utf8_text.h"

static_assert(sizeof(wchar_t) == 4, "wide strings hold one code point per element");

using cipherkit::NarrowAscii;
using cipherkit::WidenAscii;

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

constexpr bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

char Byte(char32_t bits) {
    return static_cast<char>(static_cast<unsigned char>(bits));
}

constexpr bool HasUtf8Form(char32_t c) {
    return c != 0 && c <= kMaxCodePoint && !IsSurrogate(c);
}

constexpr std::size_t Utf8Length(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Writes the UTF-8 form of `c`, which has one; answers the end of what it wrote.
char* WriteUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        *out++ = Byte(c);
    } else if (c < 0x800) {
        *out++ = Byte(0xC0 | (c >> 6));
        *out++ = Byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = Byte(0xE0 | (c >> 12));
        *out++ = Byte(0x80 | ((c >> 6) & 0x3F));
        *out++ = Byte(0x80 | (c & 0x3F));
    } else {
        *out++ = Byte(0xF0 | (c >> 18));
        *out++ = Byte(0x80 | ((c >> 12) & 0x3F));
        *out++ = Byte(0x80 | ((c >> 6) & 0x3F));
        *out++ = Byte(0x80 | (c & 0x3F));
    }
    return out;
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

// Decodes the sequence at the start of the `left` bytes at `at`; returns its length, or 0
// when it is not well-formed.
std::size_t DecodeUtf8(const char* at, std::size_t left, char32_t& c) {
    const auto byteAt = [at](std::size_t i) { return static_cast<unsigned char>(at[i]); };
    const LeadRule rule = RuleFor(byteAt(0));
    if (rule.length == 0 || left < rule.length) return 0;
    c = rule.leadBits;
    for (std::size_t k = 1; k < rule.length; ++k) {
        const unsigned char next = byteAt(k);
        const unsigned char low = k == 1 ? rule.secondMin : 0x80;
        const unsigned char high = k == 1 ? rule.secondMax : 0xBF;
        if (next < low || next > high) return 0;
        c = (c << 6) | (next & 0x3Fu);
    }
    return rule.length;
}

// The number of leading characters of `text` that convert, and the UTF-8 bytes they need.
struct Extent {
    std::size_t characters;
    std::size_t bytes;
};

Extent MeasureFrom(const wchar_t* text, std::size_t count, std::size_t start) {
    std::size_t bytes = start;
    std::size_t k = start;
    for (; k < count; ++k) {
        const auto c = static_cast<char32_t>(text[k]);
        if (!HasUtf8Form(c)) break;
        bytes += Utf8Length(c);
    }
    return {k, bytes};
}

}  // namespace

namespace cipherkit {

std::string Utf8FromWide(const wchar_t* text, std::size_t count) {
    // Most texts are plain ASCII throughout: one run, one allocation, no second look.
    std::string out(count, '\0');
    const std::size_t run = NarrowAscii(text, count, out.data());
    if (run == count || static_cast<char32_t>(text[run]) == 0) {
        out.resize(run);
        return out;
    }
    // Otherwise measure the rest once and fill the string sized to fit.
    const Extent extent = MeasureFrom(text, count, run);
    out.resize(extent.bytes);
    char* to = out.data() + run;
    for (std::size_t k = run; k < extent.characters;) {
        const std::size_t ascii = NarrowAscii(text + k, extent.characters - k, to);
        k += ascii;
        to += ascii;
        if (k < extent.characters) to = WriteUtf8(static_cast<char32_t>(text[k++]), to);
    }
    return out;
}

std::wstring WideFromUtf8(const char* text, std::size_t length) {
    // A byte never makes more than one character, so `length` characters always suffice.
    std::wstring out(length, L'\0');
    wchar_t* const start = out.data();
    wchar_t* to = start;
    std::size_t pos = 0;
    while (pos < length) {
        const std::size_t ascii = WidenAscii(text + pos, length - pos, to);
        pos += ascii;
        to += ascii;
        if (pos == length || text[pos] == '\0') break;
        char32_t c = 0;
        const std::size_t sequence = DecodeUtf8(text + pos, length - pos, c);
        if (sequence == 0) break;
        *to++ = static_cast<wchar_t>(c);
        pos += sequence;
    }
    out.resize(static_cast<std::size_t>(to - start));
    return out;
}

}  // namespace cipherkit

std::string ConvertToString(std::wstring text) {
    return cipherkit::Utf8FromWide(text.data(), text.size());
}

std::wstring ConvertToWstring(std::string text) {
    return cipherkit::WideFromUtf8(text.data(), text.size());
}
