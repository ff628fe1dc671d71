#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "foundation/plist_text_internal.h"

namespace foundation::plist_internal {
namespace {

constexpr std::uint8_t kUtf8Bom[] = {0xEF, 0xBB, 0xBF};

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::uint16_t Utf16Unit(std::span<const std::uint8_t> bytes, std::size_t i, bool bigEndian) {
    const unsigned first = bytes[i];
    const unsigned second = bytes[i + 1];
    return static_cast<std::uint16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
}

std::string_view TrimXmlSpace(std::string_view text) {
    while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian), and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilTime {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

// Seconds between 1970-01-01 and 2001-01-01.
constexpr std::int64_t kSecondsFrom1970To2001 = 978307200;
// Dates beyond about 30 million years either way are held there, so the conversion to whole
// seconds cannot overflow.
constexpr double kLargestDateSeconds = 1e15;

CivilTime CivilFromDate(PlistDate date) {
    double seconds = date.secondsSince2001;
    if (std::isnan(seconds)) seconds = 0;
    seconds = std::clamp(std::floor(seconds), -kLargestDateSeconds, kLargestDateSeconds);
    const std::int64_t unixSeconds = static_cast<std::int64_t>(seconds) + kSecondsFrom1970To2001;
    std::int64_t days = unixSeconds / 86400;
    std::int64_t secondOfDay = unixSeconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        days -= 1;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(z - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
    const auto sod = static_cast<unsigned>(secondOfDay);
    return {year, month, day, sod / 3600, sod / 60 % 60, sod % 60};
}

// The date as "2001-01-01T00:00:00Z" (`iso`) or "2001-01-01 00:00:00 +0000".
std::string FormatCivil(PlistDate date, bool iso) {
    const CivilTime t = CivilFromDate(date);
    const auto year = static_cast<long long>(t.year);
    char buffer[64];
    if (iso) {
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02uZ", year, t.month,
                      t.day, t.hour, t.minute, t.second);
    } else {
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02u:%02u:%02u +0000", year, t.month,
                      t.day, t.hour, t.minute, t.second);
    }
    return buffer;
}

// Reads exactly `digits` decimal digits from the front of `text`.
std::optional<unsigned> TakeDigits(std::string_view& text, std::size_t digits) {
    if (text.size() < digits) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    text.remove_prefix(digits);
    return value;
}

// The next part of a date, introduced by `separator`; `fallback` when the text goes on with
// something else. Nothing when the separator is there but no valid number follows.
std::optional<unsigned> TakeDatePart(std::string_view& text, char separator, unsigned fallback,
                                     unsigned low, unsigned high, bool& present) {
    if (!present || text.empty() || text.front() != separator) {
        present = false;
        return fallback;
    }
    text.remove_prefix(1);
    const auto value = TakeDigits(text, 2);
    if (!value || *value < low || *value > high) return std::nullopt;
    return value;
}

}  // namespace

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void AppendUtf8OrReplacement(std::string& out, char32_t codePoint) {
    if (!platform::AppendUtf8(out, codePoint)) platform::AppendUtf8(out, kReplacementCharacter);
}

std::string Utf16ToUtf8(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = Utf16Unit(bytes, 2 * i, bigEndian);
        if (IsHighSurrogate(unit) && i + 1 < units) {
            const char32_t next = Utf16Unit(bytes, 2 * i + 2, bigEndian);
            if (IsLowSurrogate(next)) {
                AppendUtf8OrReplacement(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8OrReplacement(out, unit);  // a lone surrogate comes out as U+FFFD
    }
    return out;
}

std::optional<std::string> DecodePlistText(std::span<const std::uint8_t> bytes,
                                           std::string& error) {
    if (bytes.size() >= 2 && (bytes[0] == 0xFF && bytes[1] == 0xFE)) {
        if (bytes.size() % 2 != 0) {
            error = "UTF-16 text with an odd number of bytes";
            return std::nullopt;
        }
        return Utf16ToUtf8(bytes.subspan(2), false);
    }
    if (bytes.size() >= 2 && (bytes[0] == 0xFE && bytes[1] == 0xFF)) {
        if (bytes.size() % 2 != 0) {
            error = "UTF-16 text with an odd number of bytes";
            return std::nullopt;
        }
        return Utf16ToUtf8(bytes.subspan(2), true);
    }
    if (bytes.size() >= 3 && std::equal(std::begin(kUtf8Bom), std::end(kUtf8Bom), bytes.begin())) {
        bytes = bytes.subspan(3);
    }
    std::string text(bytes.begin(), bytes.end());
    if (!IsValidUtf8(text)) {
        error = "text is neither UTF-8 nor UTF-16 with a byte-order mark";
        return std::nullopt;
    }
    return text;
}

std::string RealText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::optional<std::int64_t> ParseIntegerText(std::string_view text) {
    text = TrimXmlSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (!negative) {
        if (magnitude > kMax) return std::nullopt;
        return static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > kMax + 1) return std::nullopt;
    return magnitude == kMax + 1 ? std::numeric_limits<std::int64_t>::min()
                                 : -static_cast<std::int64_t>(magnitude);
}

std::optional<double> ParseRealText(std::string_view text) {
    text = TrimXmlSpace(text);
    bool negative = false;
    std::string_view unsigned_text = text;
    if (!unsigned_text.empty() && (unsigned_text.front() == '+' || unsigned_text.front() == '-')) {
        negative = unsigned_text.front() == '-';
        unsigned_text.remove_prefix(1);
    }
    if (EqualsIgnoringCase(unsigned_text, "nan")) return std::numeric_limits<double>::quiet_NaN();
    if (EqualsIgnoringCase(unsigned_text, "inf") || EqualsIgnoringCase(unsigned_text, "infinity")) {
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    // from_chars takes no '+' and no "inf"/"nan" spelled our way, which were handled above.
    if (unsigned_text.empty() ||
        !((unsigned_text[0] >= '0' && unsigned_text[0] <= '9') || unsigned_text[0] == '.')) {
        return std::nullopt;
    }
    double value = 0;
    const char* end = unsigned_text.data() + unsigned_text.size();
    const auto result = std::from_chars(unsigned_text.data(), end, value);
    if (result.ptr != end) return std::nullopt;
    if (result.ec == std::errc::result_out_of_range) {
        // Too large reads as infinity and too small as zero, as strtod gives them.
        std::string copy(unsigned_text);
        value = std::strtod(copy.c_str(), nullptr);
    } else if (result.ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::string Base64Lines(const PlistData& data, std::size_t lineLength,
                        std::string_view linePrefix) {
    std::string encoded;
    encoded.reserve((data.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, data.size() - i);
        std::uint32_t group = static_cast<std::uint32_t>(data[i]) << 16;
        if (n > 1) group |= static_cast<std::uint32_t>(data[i + 1]) << 8;
        if (n > 2) group |= data[i + 2];
        encoded.push_back(kBase64Alphabet[(group >> 18) & 63]);
        encoded.push_back(kBase64Alphabet[(group >> 12) & 63]);
        encoded.push_back(n > 1 ? kBase64Alphabet[(group >> 6) & 63] : '=');
        encoded.push_back(n > 2 ? kBase64Alphabet[group & 63] : '=');
    }
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); i += lineLength) {
        out.append(linePrefix);
        out.append(encoded, i, lineLength);
        out.push_back('\n');
    }
    return out;
}

std::optional<PlistData> DecodeBase64(std::string_view text) {
    PlistData out;
    std::uint32_t group = 0;
    std::size_t digits = 0;
    std::size_t padding = 0;
    for (const char c : text) {
        if (IsXmlSpace(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int digit = Base64Digit(c);
        if (digit < 0 || padding > 0) return std::nullopt;  // nothing may follow the padding
        group = (group << 6) | static_cast<std::uint32_t>(digit);
        if (++digits % 4 == 0) {
            out.push_back(static_cast<std::uint8_t>(group >> 16));
            out.push_back(static_cast<std::uint8_t>(group >> 8));
            out.push_back(static_cast<std::uint8_t>(group));
            group = 0;
        }
    }
    const std::size_t rest = digits % 4;
    if (rest == 1 || padding > 2 || (padding > 0 && rest + padding != 4)) return std::nullopt;
    if (rest == 2) out.push_back(static_cast<std::uint8_t>(group >> 4));
    if (rest == 3) {
        out.push_back(static_cast<std::uint8_t>(group >> 10));
        out.push_back(static_cast<std::uint8_t>(group >> 2));
    }
    return out;
}

std::string IsoDateText(PlistDate date) {
    return FormatCivil(date, true);
}

std::string DateDescription(PlistDate date) {
    return FormatCivil(date, false);
}

std::optional<PlistDate> ParseIsoDateText(std::string_view text) {
    text = TrimXmlSpace(text);
    const auto year = TakeDigits(text, 4);
    if (!year) return std::nullopt;
    bool present = true;
    const auto month = TakeDatePart(text, '-', 1, 1, 12, present);
    const auto day = TakeDatePart(text, '-', 1, 1, 31, present);
    const auto hour = TakeDatePart(text, 'T', 0, 0, 23, present);
    const auto minute = TakeDatePart(text, ':', 0, 0, 59, present);
    const auto second = TakeDatePart(text, ':', 0, 0, 59, present);
    if (!month || !day || !hour || !minute || !second) return std::nullopt;
    if (text != "Z") return std::nullopt;
    const std::int64_t days = DaysFromCivil(*year, *month, *day);
    const std::int64_t seconds = days * 86400 + *hour * 3600 + *minute * 60 + *second;
    return PlistDate{static_cast<double>(seconds - kSecondsFrom1970To2001)};
}

}  // namespace foundation::plist_internal
