// UTF-8 to wide characters for the texts the feedback log hands to libsetupnet. The
// conversion never depends on the process locale.
#pragma once

#include <string>
#include <string_view>

namespace feedback {

// The wide form of the UTF-8 `text`, one code point per character. Conversion ends at a zero
// byte or at the first invalid sequence (bad lead or continuation byte, truncated, overlong,
// surrogate, above U+10FFFF); the result holds what came before it.
std::wstring WideFromUtf8(std::string_view text);

}  // namespace feedback
