#include "inbox/stats/utc_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace inbox {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

namespace {

std::tm UtcParts(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    return parts;
}

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

int Number(std::string_view digits) {
    int value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    return value;
}

}  // namespace

std::string FormatUtc(std::int64_t ms) {
    const std::tm parts = UtcParts(ms);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(((ms % 1000) + 1000) % 1000));
    return text;
}

std::string DayOf(std::int64_t ms) {
    return FormatUtc(ms).substr(0, 10);
}

std::optional<std::int64_t> ParseUtc(std::string_view text) {
    const bool dayOnly = text.size() == 10;
    if (!dayOnly && !(text.size() == 20 && text[10] == 'T' && text[13] == ':' &&
                      text[16] == ':' && text[19] == 'Z')) {
        return std::nullopt;
    }
    if (text[4] != '-' || text[7] != '-') return std::nullopt;
    const std::string_view fields[] = {text.substr(0, 4), text.substr(5, 2), text.substr(8, 2)};
    for (const auto field : fields) {
        if (!AllDigits(field)) return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = Number(fields[0]) - 1900;
    parts.tm_mon = Number(fields[1]) - 1;
    parts.tm_mday = Number(fields[2]);
    if (!dayOnly) {
        const std::string_view clock[] = {text.substr(11, 2), text.substr(14, 2), text.substr(17, 2)};
        for (const auto field : clock) {
            if (!AllDigits(field)) return std::nullopt;
        }
        parts.tm_hour = Number(clock[0]);
        parts.tm_min = Number(clock[1]);
        parts.tm_sec = Number(clock[2]);
    }
    const std::tm asked = parts;
    const std::time_t seconds = timegm(&parts);
    // timegm moves 2026-02-30 on to March: such a date was never a date.
    if (parts.tm_mday != asked.tm_mday || parts.tm_mon != asked.tm_mon ||
        parts.tm_hour != asked.tm_hour || parts.tm_min != asked.tm_min || parts.tm_sec != asked.tm_sec) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(seconds) * 1000;
}

}  // namespace inbox
