// The loops behind the hex codecs, over buffers whose lengths the callers already know. Each
// has a portable form and, on x86-64 (where SSE2 is always present), an SSE2 form that works
// through 16 bytes a step and leaves the rest to the portable one; HexEncode and HexDecode are
// the best form this build has. All forms give the same results, refusals included.
#pragma once

#include <cstddef>

namespace cipherkit {

// Writes the 2 * `count` upper-case digits of `data` to `text` (no terminator).
void HexEncodePortable(const unsigned char* data, std::size_t count, char* text);
// Reads the 2 * `count` characters of `hex` into `count` bytes of `out`. False when any of
// them is not 0-9 or A-F; `out` then holds unspecified bytes.
bool HexDecodePortable(const char* hex, std::size_t count, unsigned char* out);

#if defined(__SSE2__)
void HexEncodeSse2(const unsigned char* data, std::size_t count, char* text);
bool HexDecodeSse2(const char* hex, std::size_t count, unsigned char* out);
#endif

inline void HexEncode(const unsigned char* data, std::size_t count, char* text) {
#if defined(__SSE2__)
    HexEncodeSse2(data, count, text);
#else
    HexEncodePortable(data, count, text);
#endif
}

inline bool HexDecode(const char* hex, std::size_t count, unsigned char* out) {
#if defined(__SSE2__)
    return HexDecodeSse2(hex, count, out);
#else
    return HexDecodePortable(hex, count, out);
#endif
}

}  // namespace cipherkit
