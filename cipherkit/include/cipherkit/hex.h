// Hexadecimal text codecs: two characters a byte, high half first. The encoder writes the
// upper-case digits 0-9 and A-F; the decoders accept exactly those and refuse lower case.
// Returned arrays are allocated with new[]; the caller releases them with delete[].
#pragma once

#include <cipherkit/export.h>

// A new text of 2 * `length` upper-case digits and a zero byte, or null when `data` is null.
CIPHERKIT_API char* ByteToHex(const unsigned char* data, unsigned int length);
// A new array of strlen(`hex`) / 2 bytes (no terminator), or null when `hex` is null, empty,
// of odd length or holds any character other than 0-9 and A-F. libcipherkit only.
CIPHERKIT_API unsigned char* HexToByte(const char* hex);
// Decodes exactly the two characters `pair[0]` and `pair[1]` into `value`. When only the
// first is a digit it returns false with `value` set to that digit's value; when the first
// is not, `value` is untouched. `pair` must be valid. libcipherkit only.
CIPHERKIT_API bool Hex2Char(char* pair, unsigned char& value);
// Decodes `count` pairs from `hex` into `output` (no terminator); at the first bad pair it
// returns false with the bytes before it written. A `count` of 0 or less writes nothing and
// returns true. Pointers are not checked. libcipherkit only.
CIPHERKIT_API bool Hex2Binary(char* hex, unsigned char* output, int count);
