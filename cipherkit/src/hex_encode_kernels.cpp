// The hex encoder loops. Compiled into libcipherkit and, a second time, into libhostmark.
#include <array>
#include <cstddef>
#include <cstring>

#include "hex_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cipherkit {

namespace {

// Both digits of every byte value, so each byte costs one lookup and one two-byte store.
constexpr std::array<char, 512> MakePairTable() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 512> table{};
    for (std::size_t value = 0; value < 256; ++value) {
        table[2 * value] = digits[value >> 4];
        table[2 * value + 1] = digits[value & 0xf];
    }
    return table;
}

constexpr std::array<char, 512> kPairs = MakePairTable();

}  // namespace

void HexEncodePortable(const unsigned char* data, std::size_t count, char* text) {
    for (std::size_t i = 0; i < count; ++i) std::memcpy(text + 2 * i, &kPairs[2 * data[i]], 2);
}

#if defined(__SSE2__)

namespace {

// The digit of each nibble (0-15) in 16 lanes: '0' + n, plus 7 more for A-F.
__m128i NibbleDigits(__m128i nibbles) {
    const __m128i letters = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
    const __m128i digits = _mm_add_epi8(nibbles, _mm_set1_epi8('0'));
    return _mm_add_epi8(digits, _mm_and_si128(letters, _mm_set1_epi8('A' - '0' - 10)));
}

}  // namespace

void HexEncodeSse2(const unsigned char* data, std::size_t count, char* text) {
    const __m128i lowNibble = _mm_set1_epi8(0x0f);
    std::size_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i high = NibbleDigits(_mm_and_si128(_mm_srli_epi16(bytes, 4), lowNibble));
        const __m128i low = NibbleDigits(_mm_and_si128(bytes, lowNibble));
        // High digit first: interleaving puts each high digit before its low one.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(text + 2 * i), _mm_unpacklo_epi8(high, low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(text + 2 * i + 16),
                         _mm_unpackhi_epi8(high, low));
    }
    HexEncodePortable(data + i, count - i, text + 2 * i);
}

#endif

}  // namespace cipherkit
