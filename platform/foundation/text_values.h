// Number and length rules of NSString that the pane's checks depend on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform_export.h"

namespace foundation {

// `intValue`: leading white space skipped, an optional sign, the leading decimal digits; the
// rest ignored; 0 when the text does not begin with a number or is absent; clamped to the
// signed 32-bit range.
PACKGATE_PLATFORM_API std::int32_t IntValue(const std::optional<std::string>& text);

// `floatValue`: leading white space skipped, then the longest beginning that reads as a
// decimal floating-point number with an optional sign; 0 for anything else or absent text.
PACKGATE_PLATFORM_API float FloatValue(const std::optional<std::string>& text);

// `length`: the number of UTF-16 code units of the UTF-8 text.
PACKGATE_PLATFORM_API std::size_t Utf16Length(std::string_view utf8);

// `substringToIndex:`: the first `units` UTF-16 code units of the UTF-8 text (the whole text
// when it is shorter). A cut through a character of two units keeps that character whole.
PACKGATE_PLATFORM_API std::string SubstringToIndex(std::string_view utf8, std::size_t units);

// `isEqualToString:`: exact, case-sensitive; no when either side is absent.
PACKGATE_PLATFORM_API bool IsEqualToString(const std::optional<std::string>& a,
                                           const std::optional<std::string>& b);

}  // namespace foundation
