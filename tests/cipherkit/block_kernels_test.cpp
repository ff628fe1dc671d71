// The block loops behind the hex codecs, the RC4 keystream and the wide conversions, compiled
// into this test from the library's sources so that the portable forms are tested on this
// machine beside the SSE2 and x86-64 forms the library uses. Each form is checked against
// OpenSSL or the byte-at-a-time loop, at every length up to 300 and with a fault at every
// position of a block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ascii_runs.h"
#include "hex_kernels.h"
#include "openssl_reference.h"
#include "rc4_core.h"
#include "test_bytes.h"

namespace {

using testbytes::Bytes;

constexpr std::size_t kMaxLength = 300;

struct HexForms {
    const char* name;
    void (*encode)(const unsigned char*, std::size_t, char*);
    bool (*decode)(const char*, std::size_t, unsigned char*);
};

const HexForms kHexForms[] = {
    {"Portable", &cipherkit::HexEncodePortable, &cipherkit::HexDecodePortable},
#if defined(__SSE2__)
    {"Sse2", &cipherkit::HexEncodeSse2, &cipherkit::HexDecodeSse2},
#endif
    {"Chosen", &cipherkit::HexEncode, &cipherkit::HexDecode},
};

class HexKernels : public ::testing::TestWithParam<HexForms> {};

std::string Encode(const HexForms& forms, const Bytes& data) {
    std::string text(2 * data.size(), '#');
    forms.encode(data.data(), data.size(), text.data());
    return text;
}

TEST_P(HexKernels, EncodeLikeOpenSslAtEveryLength) {
    std::mt19937 rng(300);
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        const Bytes data = testbytes::Random(rng, length);
        ASSERT_EQ(Encode(GetParam(), data), reference::Hex(data)) << "length " << length;
    }
}

TEST_P(HexKernels, DecodeLikeOpenSslAtEveryLength) {
    std::mt19937 rng(301);
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        const std::string hex = reference::Hex(testbytes::Random(rng, length));
        Bytes expected;
        ASSERT_TRUE(reference::FromHex(hex, expected));
        Bytes out(length + 1, 0xA5);
        ASSERT_TRUE(GetParam().decode(hex.data(), length, out.data())) << "length " << length;
        EXPECT_EQ(out.back(), 0xA5) << "wrote past the end, length " << length;
        out.pop_back();
        ASSERT_EQ(out, expected) << "length " << length;
    }
}

TEST_P(HexKernels, DecodeTakesEveryDigitAndNothingElse) {
    std::string hex;
    for (int c = 0; c < 256; ++c) {
        const bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        std::string text(64, '7');
        text[21] = static_cast<char>(c);
        Bytes out(32);
        EXPECT_EQ(GetParam().decode(text.data(), 32, out.data()), digit) << "character " << c;
    }
}

// Every character next to or inside the digit ranges, lower-case letters, the zero byte and
// bytes with the high bit set, placed at every position of texts that end around the blocks.
TEST_P(HexKernels, DecodeRefusesABadCharacterAtEveryPosition) {
    const char bad[] = {'/', ':', '@', 'G', '`', 'a', 'f', 'g', ' ', '\0', '\x7F', '\x80', '\xB0',
                        '\xC1', '\xFF'};
    std::mt19937 rng(302);
    for (const std::size_t pairs : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 47u, 48u, 49u, 64u}) {
        const std::string good = reference::Hex(testbytes::Random(rng, pairs));
        for (std::size_t position = 0; position < good.size(); ++position) {
            for (const char c : bad) {
                std::string text = good;
                text[position] = c;
                Bytes out(pairs);
                ASSERT_FALSE(GetParam().decode(text.data(), pairs, out.data()))
                    << pairs << " pairs, character " << int(static_cast<unsigned char>(c))
                    << " at " << position;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Hex, HexKernels, ::testing::ValuesIn(kHexForms),
                         [](const auto& param) { return std::string(param.param.name); });

// The whole keystream one byte at a time, the way RC4 is defined.
Bytes BytewiseCipher(const Bytes& key, const Bytes& input) {
    unsigned char sbox[256];
    cipherkit::ScheduleKey(key.data(), static_cast<unsigned int>(key.size()), sbox);
    Bytes output(input.size());
    unsigned int i = 0;
    unsigned int j = 0;
    cipherkit::ApplyKeystreamBytewise(sbox, i, j, input.data(), input.size(), output.data());
    return output;
}

using Rc4Form = void (*)(const unsigned char* key, unsigned int keyLength,
                         const unsigned char* input, std::size_t length, unsigned char* output);

template <typename Entry>
void PortableForm(const unsigned char* key, unsigned int keyLength, const unsigned char* input,
                  std::size_t length, unsigned char* output) {
    Entry sbox[256];
    cipherkit::ScheduleKey(key, keyLength, sbox);
    cipherkit::ApplyKeystream(sbox, input, length, output);
}

#if defined(CIPHERKIT_RC4_X86_64)
void X86_64Form(const unsigned char* key, unsigned int keyLength, const unsigned char* input,
                std::size_t length, unsigned char* output) {
    std::uint32_t sbox[256];
    cipherkit::ScheduleKeyX86_64(key, keyLength, sbox);
    cipherkit::ApplyKeystreamX86_64(sbox, input, length, output);
}
#endif

struct Rc4Forms {
    const char* name;
    Rc4Form cipher;
};

const Rc4Forms kRc4Forms[] = {
    {"PortableBytes", &PortableForm<unsigned char>},
    {"PortableWords", &PortableForm<unsigned int>},
#if defined(CIPHERKIT_RC4_X86_64)
    {"X86_64", &X86_64Form},
#endif
    {"Chosen", &cipherkit::Encipher},
};

class Rc4Keystream : public ::testing::TestWithParam<Rc4Forms> {};

Bytes Cipher(const Rc4Forms& form, const Bytes& key, const Bytes& input) {
    Bytes output(input.size() + 1, 0xA5);
    form.cipher(key.data(), static_cast<unsigned int>(key.size()), input.data(), input.size(),
                output.data());
    EXPECT_EQ(output.back(), 0xA5) << "wrote past the end, length " << input.size();
    output.pop_back();
    return output;
}

TEST_P(Rc4Keystream, AgreesWithOpenSslAndSingleBytesAtEveryLength) {
    std::mt19937 rng(303);
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        const Bytes key = testbytes::Random(rng, 1 + rng() % 32);
        const Bytes text = testbytes::Random(rng, length);
        const Bytes expected = reference::Rc4(key, text);
        ASSERT_EQ(Cipher(GetParam(), key, text), expected) << "length " << length;
        ASSERT_EQ(BytewiseCipher(key, text), expected) << "length " << length;
    }
}

// Every key length from 1 to 300 (the schedule's key counter wraps at every one of them, and
// keys beyond 256 bytes use only their first 256), over texts long enough for whole words.
TEST_P(Rc4Keystream, AgreesWithOpenSslForEveryKeyLength) {
    std::mt19937 rng(307);
    for (std::size_t keyLength = 1; keyLength <= 300; ++keyLength) {
        const Bytes key = testbytes::Random(rng, keyLength);
        const Bytes text = testbytes::Random(rng, 40);
        ASSERT_EQ(Cipher(GetParam(), key, text), reference::Rc4(key, text))
            << "key length " << keyLength;
    }
}

TEST_P(Rc4Keystream, WrapsAroundTheTableLikeOpenSsl) {
    // Many passes of i over all 256 entries, so every word start and wrap is crossed, and j
    // meets the entry read ahead for the next step many times.
    std::mt19937 rng(304);
    const Bytes key = testbytes::Random(rng, 16);
    const Bytes text = testbytes::Random(rng, 256 * 64 + 3);
    EXPECT_EQ(Cipher(GetParam(), key, text), reference::Rc4(key, text));
}

// An output that overlaps its input by any shift gives what the byte-at-a-time loop gives,
// the plain in-place case (shift 0) included.
TEST_P(Rc4Keystream, OverlappingOutputsGiveTheByteAtATimeResult) {
    std::mt19937 rng(305);
    const Bytes key = testbytes::Random(rng, 7);
    for (const std::size_t length : {8u, 9u, 16u, 63u, 64u, 65u, 200u}) {
        for (int shift = -9; shift <= 9; ++shift) {
            const Bytes start = testbytes::Random(rng, length + 20);
            const std::size_t from = 10;
            const auto to = static_cast<std::size_t>(static_cast<int>(from) + shift);

            Bytes expected = start;
            unsigned char sbox[256];
            cipherkit::ScheduleKey(key.data(), 7, sbox);
            unsigned int i = 0;
            unsigned int j = 0;
            cipherkit::ApplyKeystreamBytewise(sbox, i, j, expected.data() + from, length,
                                              expected.data() + to);

            Bytes actual = start;
            GetParam().cipher(key.data(), 7, actual.data() + from, length, actual.data() + to);
            ASSERT_EQ(actual, expected) << "length " << length << ", shift " << shift;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rc4, Rc4Keystream, ::testing::ValuesIn(kRc4Forms),
                         [](const auto& param) { return std::string(param.param.name); });

// The key schedule as it is defined, without reading ahead.
template <typename Entry>
void TextbookSchedule(const Bytes& key, Entry* sbox) {
    for (unsigned int i = 0; i < 256; ++i) sbox[i] = static_cast<Entry>(i);
    unsigned int j = 0;
    for (unsigned int i = 0; i < 256; ++i) {
        j = (j + sbox[i] + key[i % key.size()]) % 256;
        std::swap(sbox[i], sbox[j]);
    }
}

// The schedules that read the next entry ahead leave the same table as the plain one, for
// keys of every length (about one step in 256 needs the value read again).
TEST(Rc4Schedule, EveryFormLeavesTheTextbookTable) {
    std::mt19937 rng(308);
    for (std::size_t keyLength = 1; keyLength <= 300; ++keyLength) {
        for (int round = 0; round < 4; ++round) {
            const Bytes key = testbytes::Random(rng, keyLength);
            const auto length = static_cast<unsigned int>(keyLength);
            unsigned char expected[256];
            TextbookSchedule(key, expected);

            unsigned char bytes[256];
            cipherkit::ScheduleKey(key.data(), length, bytes);
            ASSERT_TRUE(std::equal(bytes, bytes + 256, expected)) << "key length " << keyLength;

            std::uint32_t words[256];
            cipherkit::ScheduleKey(key.data(), length, words);
            ASSERT_TRUE(std::equal(words, words + 256, expected)) << "key length " << keyLength;
#if defined(CIPHERKIT_RC4_X86_64)
            cipherkit::ScheduleKeyX86_64(key.data(), length, words);
            ASSERT_TRUE(std::equal(words, words + 256, expected)) << "key length " << keyLength;
#endif
        }
    }
}

struct AsciiForms {
    const char* name;
    std::size_t (*narrow)(const wchar_t*, std::size_t, char*);
    std::size_t (*widen)(const char*, std::size_t, wchar_t*);
};

const AsciiForms kAsciiForms[] = {
    {"Portable", &cipherkit::NarrowAsciiPortable, &cipherkit::WidenAsciiPortable},
#if defined(__SSE2__)
    {"Sse2", &cipherkit::NarrowAsciiSse2, &cipherkit::WidenAsciiSse2},
#endif
    {"Chosen", &cipherkit::NarrowAscii, &cipherkit::WidenAscii},
};

class AsciiRuns : public ::testing::TestWithParam<AsciiForms> {};

std::string RandomAscii(std::mt19937& rng, std::size_t length) {
    std::string text;
    for (std::size_t k = 0; k < length; ++k) text += static_cast<char>(1 + rng() % 127);
    return text;
}

// Each run ends exactly at the first character that is not 1-0x7F, wherever it stands, and
// carries the characters before it unchanged.
TEST_P(AsciiRuns, NarrowStopsAtTheFirstOtherCharacter) {
    const wchar_t stops[] = {0, 0x80, 0xFF, 0x100, 0x7F80, 0xD800, 0x10000, 0x110000,
                             static_cast<wchar_t>(-1), static_cast<wchar_t>(0x80000000u)};
    std::mt19937 rng(306);
    for (std::size_t length = 0; length <= kMaxLength; length += length < 70 ? 1 : 23) {
        const std::string ascii = RandomAscii(rng, length);
        const std::wstring wide(ascii.begin(), ascii.end());
        std::string out(length, '#');
        ASSERT_EQ(GetParam().narrow(wide.data(), length, out.data()), length);
        ASSERT_EQ(out, ascii);
        for (std::size_t position = 0; position < length; ++position) {
            std::wstring text = wide;
            text[position] = stops[rng() % std::size(stops)];
            std::string narrowed(length, '#');
            ASSERT_EQ(GetParam().narrow(text.data(), length, narrowed.data()), position)
                << "length " << length << ", stop " << int(text[position]) << " at " << position;
            ASSERT_EQ(narrowed.substr(0, position), ascii.substr(0, position));
        }
    }
}

TEST_P(AsciiRuns, WidenStopsAtTheFirstOtherByte) {
    const char stops[] = {'\0', '\x80', '\xBF', '\xC3', '\xE6', '\xF0', '\xFF'};
    std::mt19937 rng(307);
    for (std::size_t length = 0; length <= kMaxLength; length += length < 70 ? 1 : 23) {
        const std::string ascii = RandomAscii(rng, length);
        const std::wstring expected(ascii.begin(), ascii.end());
        std::wstring out(length, L'#');
        ASSERT_EQ(GetParam().widen(ascii.data(), length, out.data()), length);
        ASSERT_EQ(out, expected);
        for (std::size_t position = 0; position < length; ++position) {
            std::string text = ascii;
            text[position] = stops[rng() % std::size(stops)];
            std::wstring widened(length, L'#');
            ASSERT_EQ(GetParam().widen(text.data(), length, widened.data()), position)
                << "length " << length << " at " << position;
            ASSERT_EQ(widened.substr(0, position), expected.substr(0, position));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ascii, AsciiRuns, ::testing::ValuesIn(kAsciiForms),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
