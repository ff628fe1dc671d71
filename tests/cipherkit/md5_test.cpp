#include <cipherkit/md5.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>

#include "openssl_reference.h"
#include "test_bytes.h"

namespace {

using testbytes::Bytes;

std::array<unsigned char, 16> DigestInPieces(const Bytes& message,
                                             const std::vector<unsigned int>& pieces) {
    MD5Context context;
    MD5Init(&context);
    std::size_t offset = 0;
    for (unsigned int piece : pieces) {
        MD5Update(&context, message.data() + offset, piece);
        offset += piece;
    }
    std::array<unsigned char, 16> digest{};
    MD5Final(&context, digest.data());
    return digest;
}

std::array<unsigned char, 16> Digest(const Bytes& message) {
    return DigestInPieces(message, {static_cast<unsigned int>(message.size())});
}

std::string DigestHex(const std::string& text) {
    const auto digest = Digest(testbytes::FromText(text));
    return testbytes::LowerHex(digest.data(), digest.size());
}

TEST(Md5KnownAnswers, MatchesTheRfc1321TestSuite) {
    EXPECT_EQ(DigestHex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(DigestHex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(DigestHex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(DigestHex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(DigestHex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(DigestHex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(DigestHex("1234567890123456789012345678901234567890"
                        "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5AgainstOpenSsl, AgreesForEveryLengthAroundTheBlockAndPaddingBoundaries) {
    std::mt19937 rng(1321);
    const Bytes pool = testbytes::Random(rng, 200);
    for (std::size_t length = 0; length <= 200; ++length) {
        const Bytes message(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(Digest(message), reference::Md5(message.data(), length)) << "length " << length;
    }
}

TEST(Md5AgainstOpenSsl, AgreesOnALargeMessage) {
    std::mt19937 rng(7);
    const Bytes message = testbytes::Random(rng, 1 << 20);
    EXPECT_EQ(Digest(message), reference::Md5(message.data(), message.size()));
}

TEST(Md5Pieces, AnySplitGivesTheSameDigestAsOneUpdate) {
    std::mt19937 rng(99);
    for (int round = 0; round < 200; ++round) {
        const Bytes message = testbytes::Random(rng, rng() % 700);
        std::vector<unsigned int> pieces;
        for (std::size_t left = message.size(); left > 0;) {
            // Zero-length pieces in between must change nothing.
            const auto piece = static_cast<unsigned int>(std::min<std::size_t>(left, rng() % 130));
            pieces.push_back(piece);
            left -= piece;
        }
        EXPECT_EQ(DigestInPieces(message, pieces), Digest(message)) << "round " << round;
    }
}

TEST(Md5Pieces, FixedSplitsAcrossTheBlockEdge) {
    std::mt19937 rng(5);
    const Bytes message = testbytes::Random(rng, 128);
    const auto whole = Digest(message);
    EXPECT_EQ(DigestInPieces(message, std::vector<unsigned int>(128, 1)), whole);
    EXPECT_EQ(DigestInPieces(message, {63, 1, 64}), whole);
    EXPECT_EQ(DigestInPieces(message, {64, 64}), whole);
    EXPECT_EQ(DigestInPieces(message, {0, 64, 0, 0, 64, 0}), whole);
}

TEST(Md5Context, InitSetsTheChainingValuesAndAZeroCount) {
    MD5Context context;
    std::memset(&context, 0xAB, sizeof context);
    MD5Init(&context);
    EXPECT_EQ(context.state[0], 0x67452301u);
    EXPECT_EQ(context.state[1], 0xefcdab89u);
    EXPECT_EQ(context.state[2], 0x98badcfeu);
    EXPECT_EQ(context.state[3], 0x10325476u);
    EXPECT_EQ(context.byteCount[0], 0u);
    EXPECT_EQ(context.byteCount[1], 0u);
}

TEST(Md5Context, CountsBytesAndCarriesIntoTheHighWord) {
    MD5Context context;
    MD5Init(&context);
    const Bytes data(100, 'x');
    MD5Update(&context, data.data(), 100);
    EXPECT_EQ(context.byteCount[0], 100u);
    EXPECT_EQ(context.byteCount[1], 0u);

    context.byteCount[0] = 0xFFFFFFF0u;  // as if 4 GiB - 16 bytes had gone in
    MD5Update(&context, data.data(), 20);
    EXPECT_EQ(context.byteCount[0], 4u);
    EXPECT_EQ(context.byteCount[1], 1u);
}

TEST(Md5Context, IsAllZeroAfterFinal) {
    for (std::size_t length : {0u, 3u, 55u, 56u, 63u, 64u, 130u}) {
        MD5Context context;
        MD5Init(&context);
        const Bytes data(length, 'q');
        MD5Update(&context, data.data(), static_cast<unsigned int>(length));
        unsigned char digest[16];
        MD5Final(&context, digest);
        const auto* raw = reinterpret_cast<const unsigned char*>(&context);
        EXPECT_TRUE(std::all_of(raw, raw + sizeof context, [](unsigned char b) { return b == 0; }))
            << "length " << length;
    }
}

TEST(Md5Transform, OneCompressionOfThePaddedEmptyMessageGivesItsDigest) {
    unsigned int state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    unsigned int block[16] = {0x80};
    MD5Transform(state, block);
    EXPECT_EQ(testbytes::LowerHex(reinterpret_cast<unsigned char*>(state), 16),
              "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5ByteSwap, LeavesTheWordsAsTheyAre) {
    unsigned int words[3] = {0x01020304, 0xA0B0C0D0, 0};
    byteSwap(words, 3);
    EXPECT_EQ(words[0], 0x01020304u);
    EXPECT_EQ(words[1], 0xA0B0C0D0u);
}

}  // namespace
