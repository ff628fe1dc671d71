// Reading UTF-8 one character at a time, for the texts the installer prints. Texts come from
// property lists and may hold bytes that are not well-formed UTF-8; each such byte reads as
// one invalid character, so a reader always moves on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace installer {

struct Utf8Char {
    std::size_t bytes = 1;   // Length of its encoding in the text (1 for a bad byte).
    std::uint32_t code = 0;  // Its code point; U+FFFD for a bad byte.
    bool valid = true;       // No for a byte that starts no well-formed sequence.
};

// The character at the start of `rest`, which must not be empty. Overlong forms, surrogates,
// values past U+10FFFF and cut sequences are not well-formed.
Utf8Char DecodeUtf8(std::string_view rest);

}  // namespace installer
