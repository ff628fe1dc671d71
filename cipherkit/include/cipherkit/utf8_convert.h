// Conversions between wide strings (32-bit wchar_t, one Unicode code point each) and UTF-8.
// They never touch the process locale and are safe on several threads at once.
// libcipherkit only.
#pragma once

#include <string>

#include <cipherkit/export.h>

// The UTF-8 form of `text`. Conversion ends at a zero character or at the first one that has
// no UTF-8 form (a surrogate, or a value above U+10FFFF); the result keeps what came before.
CIPHERKIT_API std::string ConvertToString(std::wstring text);
// The wide form of the UTF-8 `text`. Conversion ends at a zero byte or at the first invalid
// sequence (overlong, truncated, surrogate, above U+10FFFF, stray continuation byte); the
// result keeps what came before.
CIPHERKIT_API std::wstring ConvertToWstring(std::string text);
