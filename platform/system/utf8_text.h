// Whether bytes form UTF-8 text. Shared by the property lists, which must hold text, and
// the platform UUID, which is only a UUID when it is text.
#pragma once

#include <string_view>

namespace platform {

// True when `text` is well-formed UTF-8: no overlong forms, no surrogates, nothing beyond
// U+10FFFF, no stray or missing continuation bytes. The empty text is well-formed.
bool IsValidUtf8(std::string_view text);

}  // namespace platform
