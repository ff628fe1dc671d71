// The platform's one UTF-8 codec: reading characters from UTF-8 bytes and writing code points
// as UTF-8. Shared by the property lists, the text values, the feedback log's wide texts and
// the platform UUID check (libhostmark builds its private copy of it).
//
// Well-formed means the shortest form of a Unicode scalar value: no overlong forms, no
// surrogates (U+D800..U+DFFF), nothing beyond U+10FFFF, no stray or missing continuation byte.
// Malformed input is read one byte at a time: a byte that does not start a well-formed
// sequence is one malformed character of one byte, and reading goes on at the next byte. What
// a caller makes of a malformed character is its choice of `Utf8Malformed` (or of the `valid`
// flag when it reads one character at a time).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform_export.h"

namespace platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// One character read from UTF-8 text.
struct Utf8Char {
    std::size_t bytes = 0;                  // Length of its encoding (1 for a malformed byte).
    char32_t code = kReplacementCharacter;  // Its code point; U+FFFD when malformed.
    bool valid = false;                     // No for a byte that starts no well-formed sequence.
};

// The character at the start of `text`. The empty text gives {0, U+FFFD, false}.
PACKGATE_PLATFORM_API Utf8Char DecodeUtf8(std::string_view text);

// What a whole-text decode does at a malformed byte.
enum class Utf8Malformed {
    kStop,     // The result is the code points of the well-formed beginning only.
    kReplace,  // Each malformed byte becomes one U+FFFD.
};

// The code points of `text`. A zero byte is an ordinary character (U+0000).
PACKGATE_PLATFORM_API std::u32string DecodeUtf8Text(std::string_view text, Utf8Malformed policy);

// True when `text` is well-formed UTF-8 throughout. The empty text is well-formed.
PACKGATE_PLATFORM_API bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of `codePoint` to `out`. A surrogate or a value beyond U+10FFFF is
// no scalar value and is refused: `out` stays as it was and the answer is false.
PACKGATE_PLATFORM_API bool AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace platform
