#include <cipherkit/hex.h>
#include <cipherkit/patch_query.h>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "test_bytes.h"

namespace {

using testbytes::Bytes;

std::string ToHex(const Bytes& data) {
    const std::unique_ptr<char[]> text(
        ByteToHex(data.data(), static_cast<unsigned int>(data.size())));
    return text ? std::string(text.get()) : std::string("<null>");
}

TEST(ByteToHex, WritesUpperCaseDigitsHighHalfFirst) {
    EXPECT_EQ(ToHex({0x00, 0x01, 0x7F, 0x80, 0xAB, 0xFF, 0x0F, 0xF0}), "00017F80ABFF0FF0");
}

TEST(ByteToHex, EncodesEveryByteValueLikeAnIndependentEncoder) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    std::string expected = testbytes::LowerHex(all.data(), all.size());
    for (char& c : expected) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(ToHex(all), expected);
}

TEST(ByteToHex, ZeroLengthGivesAnEmptyText) {
    const unsigned char byte = 0;
    const std::unique_ptr<char[]> text(ByteToHex(&byte, 0));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text.get(), "");
}

TEST(ByteToHex, RefusesNullData) {
    EXPECT_EQ(ByteToHex(nullptr, 4), nullptr);
}

TEST(HexToByte, RoundTripsRandomBytes) {
    std::mt19937 rng(16);
    for (int round = 0; round < 50; ++round) {
        const Bytes data = testbytes::Random(rng, 1 + rng() % 100);
        const std::unique_ptr<unsigned char[]> back(HexToByte(ToHex(data).c_str()));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(Bytes(back.get(), back.get() + data.size()), data);
    }
}

TEST(HexToByte, RefusesNullEmptyOddAndNonHexTexts) {
    EXPECT_EQ(HexToByte(nullptr), nullptr);
    for (const char* bad :
         {"", "A", "ABC", "ab", "0a", "AG", "G0", "0x12", "12 3", "1-23", "\xC3\xA9",
          "AB\x7F"
          "0"}) {
        EXPECT_EQ(std::unique_ptr<unsigned char[]>(HexToByte(bad)), nullptr) << '"' << bad << '"';
    }
}

TEST(Hex2Char, DecodesAPairOfUpperCaseDigits) {
    char pair[] = "F0";
    unsigned char value = 0;
    EXPECT_TRUE(Hex2Char(pair, value));
    EXPECT_EQ(value, 0xF0);
}

TEST(Hex2Char, KeepsTheFirstDigitWhenOnlyTheSecondIsBad) {
    char pair[] = "Ag";
    unsigned char value = 0x55;
    EXPECT_FALSE(Hex2Char(pair, value));
    EXPECT_EQ(value, 10);
}

TEST(Hex2Char, LeavesTheValueAloneWhenTheFirstIsBad) {
    for (const char* text : {"a0", "G0", " 0",
                             "\0"
                             "0"}) {
        char pair[2] = {text[0], text[1]};
        unsigned char value = 0x55;
        EXPECT_FALSE(Hex2Char(pair, value)) << text;
        EXPECT_EQ(value, 0x55);
    }
}

TEST(Hex2Binary, DecodesAllPairsWithoutATerminator) {
    char hex[] = "DEADBEEF";
    unsigned char out[5] = {1, 1, 1, 1, 0x77};
    EXPECT_TRUE(Hex2Binary(hex, out, 4));
    EXPECT_EQ(Bytes(out, out + 5), (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x77}));
}

TEST(Hex2Binary, StopsAtTheFirstBadPairWithTheEarlierBytesWritten) {
    char hex[] = "0102x30405";
    unsigned char out[5] = {9, 9, 9, 9, 9};
    EXPECT_FALSE(Hex2Binary(hex, out, 5));
    EXPECT_EQ(Bytes(out, out + 5), (Bytes{0x01, 0x02, 9, 9, 9}));
}

TEST(Hex2Binary, ZeroOrNegativeCountSucceedsWithoutWriting) {
    char hex[] = "zz";
    unsigned char out = 9;
    EXPECT_TRUE(Hex2Binary(hex, &out, 0));
    EXPECT_TRUE(Hex2Binary(hex, &out, -3));
    EXPECT_EQ(out, 9);
}

std::string Patched(const std::string& input) {
    std::string output(input.size() + 1, '#');
    patch_query(input.c_str(), output.data());
    return output.c_str();
}

TEST(PatchQuery, RemovesEveryDashWhereverItStands) {
    EXPECT_EQ(Patched("1234-ABCD-5678"), "1234ABCD5678");
    EXPECT_EQ(Patched("-lead"), "lead");
    EXPECT_EQ(Patched("trail-"), "trail");
    EXPECT_EQ(Patched("a---b--c"), "abc");
    EXPECT_EQ(Patched("----"), "");
    EXPECT_EQ(Patched(""), "");
    EXPECT_EQ(Patched("no dashes here"), "no dashes here");
}

TEST(PatchQuery, WorksInPlace) {
    char text[] = "00000000-0000-1000-8000-0ABCDEF12345";
    patch_query(text, text);
    EXPECT_STREQ(text,
                 "00000000000010008000"
                 "0ABCDEF12345");
}

}  // namespace
