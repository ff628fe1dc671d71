// A plain, strict UTF-8 codec written straight from the standard's table, for checking the
// product's converters against something that shares no code with them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace packgate_fuzz {

// Decodes the sequence at the start of `text` (not empty) into `c`: its length, or 0 when
// it is not well-formed UTF-8 (bad lead or continuation byte, truncated, overlong, surrogate,
// above U+10FFFF).
std::size_t DecodeUtf8(std::string_view text, char32_t& c);

// The code points of `text` up to its first zero byte or first ill-formed sequence.
std::u32string DecodeUtf8Prefix(std::string_view text);

// Whether `c` is a Unicode scalar value (not a surrogate, not above U+10FFFF).
bool IsScalarValue(char32_t c);

// The UTF-8 form of the scalar value `c`.
std::string EncodeUtf8(char32_t c);

}  // namespace packgate_fuzz
