// Value of one upper-case hex digit, shared by the hex decoders.
#pragma once

namespace cipherkit {

// 0 to 15 for '0'-'9' and 'A'-'F'; -1 for every other character, lower case included.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace cipherkit
