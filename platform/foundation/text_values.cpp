#include "foundation/text_values.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "system/utf8_text.h"

namespace foundation {
namespace {

// NSString skips these before a number.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipSpace(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    return text;
}

// Takes a leading '+' or '-' off `text`; answers whether it was '-'.
bool TakeSign(std::string_view& text) {
    if (text.empty() || (text.front() != '+' && text.front() != '-')) return false;
    const bool negative = text.front() == '-';
    text.remove_prefix(1);
    return negative;
}

std::size_t CountDigits(std::string_view text, std::size_t from) {
    std::size_t n = 0;
    while (from + n < text.size() && IsDigit(text[from + n])) ++n;
    return n;
}

// The decimal floating-point number at the start of `text` (no sign): digits, an optional
// fraction, an optional exponent that counts only when digits follow its letter. Empty
// when there is no digit in the mantissa.
std::string_view FloatPrefix(std::string_view text) {
    const std::size_t whole = CountDigits(text, 0);
    std::size_t end = whole;
    std::size_t fraction = 0;
    if (end < text.size() && text[end] == '.') {
        fraction = CountDigits(text, end + 1);
        end += 1 + fraction;
    }
    if (whole == 0 && fraction == 0) return {};
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t at = end + 1;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        const std::size_t exponent = CountDigits(text, at);
        if (exponent > 0) end = at + exponent;
    }
    return text.substr(0, end);
}

// For a number that does not fit a float: whether it is too large (else too small). Its
// decimal magnitude is the position of the first non-zero digit relative to the point, plus
// the exponent.
bool IsHuge(std::string_view number) {
    const std::size_t e = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, e);
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return false;  // Zero is never huge.
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    long long magnitude = first < point ? static_cast<long long>(point - first)
                                        : -static_cast<long long>(first - point - 1);
    if (e == std::string_view::npos) return magnitude > 0;
    std::string_view exponent = number.substr(e + 1);
    const bool negative = TakeSign(exponent);
    long long value = 0;
    const auto [end, error] =
        std::from_chars(exponent.data(), exponent.data() + exponent.size(), value);
    // An exponent too long to read lies far beyond either end of the float range.
    if (error != std::errc()) return !negative;
    return (negative ? magnitude - value : magnitude + value) > 0;
}

// UTF-16 code units of one character: two for one beyond the Basic Multilingual Plane. A
// malformed byte counts as one character of one unit, as U+FFFD would.
std::size_t Utf16Units(const platform::Utf8Char& c) {
    return c.code > 0xFFFF ? 2 : 1;
}

}  // namespace

std::int32_t IntValue(const std::optional<std::string>& text) {
    if (!text) return 0;
    std::string_view rest = SkipSpace(*text);
    const bool negative = TakeSign(rest);
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    for (std::size_t i = 0; i < rest.size() && IsDigit(rest[i]); ++i) {
        value = value * 10 + (rest[i] - '0');
        if (value > kMax + 1) break;  // Clamped below; more digits change nothing.
    }
    if (negative) value = -value;
    if (value > kMax) return static_cast<std::int32_t>(kMax);
    if (value < kMin) return static_cast<std::int32_t>(kMin);
    return static_cast<std::int32_t>(value);
}

float FloatValue(const std::optional<std::string>& text) {
    if (!text) return 0.0f;
    std::string_view rest = SkipSpace(*text);
    const bool negative = TakeSign(rest);
    const std::string_view number = FloatPrefix(rest);
    if (number.empty()) return 0.0f;
    float value = 0.0f;
    // from_chars reads the same in every locale, unlike strtof.
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        value = IsHuge(number) ? std::numeric_limits<float>::infinity() : 0.0f;
    } else if (error != std::errc()) {
        return 0.0f;
    }
    return negative ? -value : value;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    while (!utf8.empty()) {
        const platform::Utf8Char c = platform::DecodeUtf8(utf8);
        units += Utf16Units(c);
        utf8.remove_prefix(c.bytes);
    }
    return units;
}

std::string SubstringToIndex(std::string_view utf8, std::size_t units) {
    std::size_t taken = 0;
    std::size_t bytes = 0;
    while (taken < units && bytes < utf8.size()) {
        const platform::Utf8Char c = platform::DecodeUtf8(utf8.substr(bytes));
        taken += Utf16Units(c);
        bytes += c.bytes;
    }
    return std::string(utf8.substr(0, bytes));
}

bool IsEqualToString(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    return a && b && *a == *b;
}

}  // namespace foundation
