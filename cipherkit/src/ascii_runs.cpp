// ASCII runs between UTF-8 and wide texts (libcipherkit only).
#include "ascii_runs.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cipherkit {

namespace {

constexpr std::size_t kBlock = 8;

// 1 to 0x7F: zero ends a text, and everything above needs more than one UTF-8 byte.
constexpr bool IsAscii(std::uint32_t c) {
    return c - 1u < 0x7Fu;
}

}  // namespace

std::size_t NarrowAsciiPortable(const wchar_t* wide, std::size_t count, char* out) {
    std::size_t k = 0;
    // Whole blocks are tested with one branch; the block that ends the run goes one by one.
    for (; count - k >= kBlock; k += kBlock) {
        bool ascii = true;
        for (std::size_t b = 0; b < kBlock; ++b) {
            ascii = ascii && IsAscii(static_cast<std::uint32_t>(wide[k + b]));
        }
        if (!ascii) break;
        for (std::size_t b = 0; b < kBlock; ++b) out[k + b] = static_cast<char>(wide[k + b]);
    }
    for (; k < count && IsAscii(static_cast<std::uint32_t>(wide[k])); ++k) {
        out[k] = static_cast<char>(wide[k]);
    }
    return k;
}

std::size_t WidenAsciiPortable(const char* text, std::size_t count, wchar_t* out) {
    std::size_t k = 0;
    for (; count - k >= kBlock; k += kBlock) {
        bool ascii = true;
        for (std::size_t b = 0; b < kBlock; ++b) {
            ascii = ascii && IsAscii(static_cast<unsigned char>(text[k + b]));
        }
        if (!ascii) break;
        for (std::size_t b = 0; b < kBlock; ++b) {
            out[k + b] = static_cast<wchar_t>(static_cast<unsigned char>(text[k + b]));
        }
    }
    for (; k < count && IsAscii(static_cast<unsigned char>(text[k])); ++k) {
        out[k] = static_cast<wchar_t>(static_cast<unsigned char>(text[k]));
    }
    return k;
}

#if defined(__SSE2__)

namespace {

// True when none of the 16 bytes is zero or has its high bit set.
bool AllAscii(__m128i bytes) {
    const int high = _mm_movemask_epi8(bytes);
    const int zero = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
    return (high | zero) == 0;
}

}  // namespace

std::size_t NarrowAsciiSse2(const wchar_t* wide, std::size_t count, char* out) {
    std::size_t k = 0;
    for (; count - k >= 16; k += 16) {
        const auto* at = reinterpret_cast<const __m128i*>(wide + k);
        // Saturating packs keep 1-0x7F as they are, turn values above 0x7F into bytes with
        // the high bit set and negative ones into zero, so AllAscii sees every other value.
        const __m128i low = _mm_packs_epi32(_mm_loadu_si128(at), _mm_loadu_si128(at + 1));
        const __m128i high = _mm_packs_epi32(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3));
        const __m128i bytes = _mm_packus_epi16(low, high);
        if (!AllAscii(bytes)) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), bytes);
    }
    return k + NarrowAsciiPortable(wide + k, count - k, out + k);
}

std::size_t WidenAsciiSse2(const char* text, std::size_t count, wchar_t* out) {
    const __m128i zero = _mm_setzero_si128();
    std::size_t k = 0;
    for (; count - k >= 16; k += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + k));
        if (!AllAscii(bytes)) break;
        const __m128i low = _mm_unpacklo_epi8(bytes, zero);
        const __m128i high = _mm_unpackhi_epi8(bytes, zero);
        auto* to = reinterpret_cast<__m128i*>(out + k);
        _mm_storeu_si128(to, _mm_unpacklo_epi16(low, zero));
        _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(low, zero));
        _mm_storeu_si128(to + 2, _mm_unpacklo_epi16(high, zero));
        _mm_storeu_si128(to + 3, _mm_unpackhi_epi16(high, zero));
    }
    return k + WidenAsciiPortable(text + k, count - k, out + k);
}

#endif

}  // namespace cipherkit
