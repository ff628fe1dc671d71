// The hex decoder loops (libcipherkit only).
#include <array>
#include <cstddef>
#include <cstdint>

#include "hex_digit.h"
#include "hex_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cipherkit {

namespace {

// The value of every character, or kNotADigit, whose high bits no digit value has: a block
// of characters is valid exactly when the OR of their entries has none of them set.
constexpr unsigned char kNotADigit = 0xF0;

constexpr std::array<unsigned char, 256> MakeValueTable() {
    std::array<unsigned char, 256> table{};
    for (std::size_t c = 0; c < 256; ++c) {
        const int value = HexDigitValue(static_cast<char>(c));
        table[c] = value < 0 ? kNotADigit : static_cast<unsigned char>(value);
    }
    return table;
}

constexpr std::array<unsigned char, 256> kValues = MakeValueTable();

// Decodes `count` pairs without a branch per character; answers the OR of all entries.
unsigned int DecodePairs(const char* hex, std::size_t count, unsigned char* out) {
    unsigned int seen = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned int high = kValues[static_cast<unsigned char>(hex[2 * i])];
        const unsigned int low = kValues[static_cast<unsigned char>(hex[2 * i + 1])];
        seen |= high | low;
        out[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return seen;
}

}  // namespace

bool HexDecodePortable(const char* hex, std::size_t count, unsigned char* out) {
    // The error flag is looked at once per block of 32 characters, not once per character.
    constexpr std::size_t kBlock = 16;
    std::size_t i = 0;
    for (; count - i >= kBlock; i += kBlock) {
        if ((DecodePairs(hex + 2 * i, kBlock, out + i) & kNotADigit) != 0) return false;
    }
    return (DecodePairs(hex + 2 * i, count - i, out + i) & kNotADigit) == 0;
}

#if defined(__SSE2__)

namespace {

// Lanes of `chars` that lie in [first, first + span), as all-ones bytes. SSE2 compares only
// signed bytes, so the range is moved down to start at -128.
__m128i InRange(__m128i chars, char first, int span) {
    const __m128i shifted = _mm_sub_epi8(chars, _mm_set1_epi8(static_cast<char>(first ^ 0x80)));
    return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(-128 + span)));
}

// Checks 16 characters and packs them into 8 bytes, in the low half of the answer. `valid`
// keeps the lanes that were digits.
__m128i DecodeSixteen(__m128i chars, __m128i& valid) {
    const __m128i digit = InRange(chars, '0', 10);
    const __m128i letter = InRange(chars, 'A', 6);
    valid = _mm_and_si128(valid, _mm_or_si128(digit, letter));
    // 'A' stands 17 above '0' and means 10: letters lose 7 more.
    const __m128i values = _mm_sub_epi8(_mm_sub_epi8(chars, _mm_set1_epi8('0')),
                                        _mm_and_si128(letter, _mm_set1_epi8(7)));
    // Each 16-bit lane holds one pair, the high digit in its low byte.
    const __m128i high = _mm_slli_epi16(_mm_and_si128(values, _mm_set1_epi16(0x00ff)), 4);
    const __m128i low = _mm_srli_epi16(values, 8);
    return _mm_or_si128(high, low);
}

}  // namespace

bool HexDecodeSse2(const char* hex, std::size_t count, unsigned char* out) {
    std::size_t i = 0;
    for (; count - i >= 16; i += 16) {
        __m128i valid = _mm_set1_epi8(-1);
        const auto* at = reinterpret_cast<const __m128i*>(hex + 2 * i);
        const __m128i first = DecodeSixteen(_mm_loadu_si128(at), valid);
        const __m128i second = DecodeSixteen(_mm_loadu_si128(at + 1), valid);
        if (_mm_movemask_epi8(valid) != 0xffff) return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(first, second));
    }
    return HexDecodePortable(hex + 2 * i, count - i, out + i);
}

#endif

}  // namespace cipherkit
