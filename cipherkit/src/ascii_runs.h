// Copies of the leading run of ASCII characters (1 to 0x7F) of a text between its UTF-8 and
// its wide form, which are the same characters in both. They carry the converters through
// the plain stretches of a text; the converters take over at the first other character. Each
// has a portable form and, on x86-64, an SSE2 form for 16 characters a step; NarrowAscii and
// WidenAscii are the best form this build has. All forms give the same results.
#pragma once

#include <cstddef>

namespace cipherkit {

// Narrows the leading ASCII run of the `count` characters of `wide` into `out`; answers its
// length. `out` needs room for `count` bytes, of which those past the run may be written.
std::size_t NarrowAsciiPortable(const wchar_t* wide, std::size_t count, char* out);
// Widens the leading ASCII run of the `count` bytes of `text` into `out`; answers its length.
// `out` needs room for `count` characters, of which those past the run may be written.
std::size_t WidenAsciiPortable(const char* text, std::size_t count, wchar_t* out);

#if defined(__SSE2__)
std::size_t NarrowAsciiSse2(const wchar_t* wide, std::size_t count, char* out);
std::size_t WidenAsciiSse2(const char* text, std::size_t count, wchar_t* out);
#endif

inline std::size_t NarrowAscii(const wchar_t* wide, std::size_t count, char* out) {
#if defined(__SSE2__)
    return NarrowAsciiSse2(wide, count, out);
#else
    return NarrowAsciiPortable(wide, count, out);
#endif
}

inline std::size_t WidenAscii(const char* text, std::size_t count, wchar_t* out) {
#if defined(__SSE2__)
    return WidenAsciiSse2(text, count, out);
#else
    return WidenAsciiPortable(text, count, out);
#endif
}

}  // namespace cipherkit
