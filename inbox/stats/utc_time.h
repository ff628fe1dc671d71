// Times of arrival as the inbox shows and filters them: milliseconds since 1970, in UTC.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace inbox {

// Now, in milliseconds since 1970.
std::int64_t NowMs();
// "2026-12-09T16:30:32.123Z".
std::string FormatUtc(std::int64_t ms);
// "2026-12-09".
std::string DayOf(std::int64_t ms);
// The start of "YYYY-MM-DD" or the moment "YYYY-MM-DDTHH:MM:SSZ" (UTC); nothing for any
// other text or an impossible date.
std::optional<std::int64_t> ParseUtc(std::string_view text);

}  // namespace inbox
