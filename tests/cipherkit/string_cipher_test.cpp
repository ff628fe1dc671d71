#include <cipherkit/md5.h>
#include <cipherkit/string_cipher.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "openssl_reference.h"
#include "test_bytes.h"

namespace {

using testbytes::Bytes;
using Text = std::unique_ptr<char[]>;

std::string Show(const Text& text) {
    return text ? std::string(text.get()) : "<null>";
}

// Printable texts of any length, so strlen sees all of them.
std::string RandomText(std::mt19937& rng, std::size_t length) {
    std::string out;
    for (std::size_t i = 0; i < length; ++i) out += static_cast<char>(1 + rng() % 255);
    return out;
}

TEST(EncryptDecrypt, RoundTripsRandomTextsAndPassphrases) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 200; ++round) {
        const std::string text = RandomText(rng, rng() % 300);
        const std::string passphrase = RandomText(rng, 1 + rng() % 40);
        const Text hex(Encrypt(text.c_str(), passphrase.c_str()));
        ASSERT_NE(hex, nullptr);
        EXPECT_EQ(Show(Text(Decrypt(hex.get(), passphrase.c_str()))), text) << "round " << round;
    }
}

TEST(Encrypt, IsUpperCaseHexOfOpenSslRc4OverTheTextBytes) {
    std::mt19937 rng(77);
    for (int round = 0; round < 50; ++round) {
        const std::string text = RandomText(rng, 1 + rng() % 100);
        const std::string passphrase = RandomText(rng, 1 + rng() % 20);
        const Text hex(Encrypt(text.c_str(), passphrase.c_str()));
        const Bytes expected =
            reference::Rc4(testbytes::FromText(passphrase), testbytes::FromText(text));
        std::string expectedHex = testbytes::LowerHex(expected.data(), expected.size());
        for (char& c : expectedHex) c = static_cast<char>(std::toupper(c));
        EXPECT_EQ(Show(hex), expectedHex);
    }
}

TEST(Encrypt, SameInputAlwaysGivesTheSameCipherText) {
    const Text first(Encrypt("content pack", "pass"));
    const Text second(Encrypt("content pack", "pass"));
    EXPECT_EQ(Show(first), Show(second));
    EXPECT_EQ(std::strlen(first.get()), 2 * std::strlen("content pack"));
}

TEST(Encrypt, EmptyPlainTextGivesANewEmptyText) {
    const Text hex(Encrypt("", "pass"));
    ASSERT_NE(hex, nullptr);
    EXPECT_STREQ(hex.get(), "");
}

TEST(Encrypt, PassphraseLongerThan256BytesActsLikeItsFirst256) {
    std::mt19937 rng(3);
    const std::string passphrase = RandomText(rng, 400);
    EXPECT_EQ(Show(Text(Encrypt("some text", passphrase.c_str()))),
              Show(Text(Encrypt("some text", passphrase.substr(0, 256).c_str()))));
}

TEST(Encrypt, RefusesNullArgumentsAndAnEmptyPassphrase) {
    EXPECT_EQ(Text(Encrypt(nullptr, "pass")), nullptr);
    EXPECT_EQ(Text(Encrypt("text", nullptr)), nullptr);
    EXPECT_EQ(Text(Encrypt("text", "")), nullptr);
}

TEST(Decrypt, RefusesMalformedHexAndBadArguments) {
    const Text hex(Encrypt("hello", "pass"));
    std::string lower = hex.get();
    for (char& c : lower) c = static_cast<char>(std::tolower(c));
    ASSERT_NE(lower, std::string(hex.get()));  // the cipher text has letters to lower

    EXPECT_EQ(Text(Decrypt(nullptr, "pass")), nullptr);
    EXPECT_EQ(Text(Decrypt(hex.get(), nullptr)), nullptr);
    EXPECT_EQ(Text(Decrypt(hex.get(), "")), nullptr);
    EXPECT_EQ(Text(Decrypt("", "pass")), nullptr);
    EXPECT_EQ(Text(Decrypt("ABC", "pass")), nullptr);
    EXPECT_EQ(Text(Decrypt(lower.c_str(), "pass")), nullptr);
    EXPECT_EQ(Text(Decrypt("0G", "pass")), nullptr);
    EXPECT_EQ(Text(Decrypt("12 4", "pass")), nullptr);
}

TEST(Decrypt, ADecipheredZeroByteEndsTheText) {
    // RC4 under "k" of "A\0B": encipher the raw bytes through OpenSSL, then ask for them back.
    const Bytes cipher = reference::Rc4(testbytes::FromText("k"), Bytes{'A', 0, 'B'});
    std::string hex = testbytes::LowerHex(cipher.data(), cipher.size());
    for (char& c : hex) c = static_cast<char>(std::toupper(c));
    const Text plain(Decrypt(hex.c_str(), "k"));
    ASSERT_NE(plain, nullptr);
    EXPECT_STREQ(plain.get(), "A");
    EXPECT_EQ(plain[2], 'B');
    EXPECT_EQ(plain[3], '\0');
}

TEST(DecryptString, DeciphersUnderTheMd5DigestOfThePassphrase) {
    std::mt19937 rng(5);
    for (const std::string passphrase : {"", "p", "a much longer passphrase than sixteen bytes"}) {
        const auto key = reference::Md5(reinterpret_cast<const unsigned char*>(passphrase.data()),
                                        passphrase.size());
        const std::string plain = RandomText(rng, 60);
        Bytes cipher = reference::Rc4(Bytes(key.begin(), key.end()), testbytes::FromText(plain));
        if (std::find(cipher.begin(), cipher.end(), 0) != cipher.end()) continue;  // needs strlen
        cipher.push_back(0);

        Bytes output(cipher.size() + 8, 0xEE);
        unsigned long length = 0;
        std::string mutablePassphrase = passphrase;
        EXPECT_TRUE(DecryptString(cipher.data(), output.data(), &length, mutablePassphrase.data()));
        EXPECT_EQ(length, plain.size());
        EXPECT_EQ(std::string(reinterpret_cast<char*>(output.data()), length), plain);
        EXPECT_EQ(output[length], 0);
        EXPECT_EQ(output[length + 1], 0xEE);
    }
}

TEST(DecryptString, EmptyInputGivesAnEmptyResult) {
    unsigned char input[] = "";
    unsigned char output[2] = {0x11, 0x22};
    unsigned long length = 99;
    char passphrase[] = "pass";
    EXPECT_TRUE(DecryptString(input, output, &length, passphrase));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(output[0], 0);
    EXPECT_EQ(output[1], 0x22);
}

TEST(DecryptString, RefusesNullPointersWithoutWriting) {
    unsigned char input[] = "abc";
    unsigned char output[4] = {7, 7, 7, 7};
    unsigned long length = 99;
    char passphrase[] = "pass";
    EXPECT_FALSE(DecryptString(nullptr, output, &length, passphrase));
    EXPECT_FALSE(DecryptString(input, nullptr, &length, passphrase));
    EXPECT_FALSE(DecryptString(input, output, nullptr, passphrase));
    EXPECT_FALSE(DecryptString(input, output, &length, nullptr));
    EXPECT_EQ(length, 99u);
    EXPECT_EQ(output[0], 7);
}

// A single character outside 0-9 and A-F anywhere in a cipher text, at every position of
// texts that end before, on and after the decoder's blocks, makes Decrypt refuse it.
TEST(DecryptRefusals, ABadCharacterAtAnyPositionOfABlock) {
    std::mt19937 rng(90);
    for (const std::size_t length : {1u, 8u, 15u, 16u, 17u, 31u, 32u, 33u, 48u}) {
        const Text good(Encrypt(RandomText(rng, length).c_str(), "pass"));
        ASSERT_NE(Text(Decrypt(good.get(), "pass")), nullptr);
        for (std::size_t position = 0; position < 2 * length; ++position) {
            for (const char c : {'a', 'f', 'G', '@', ':', '/', ' ', '\x80', '\xFF'}) {
                std::string text = good.get();
                text[position] = c;
                ASSERT_EQ(Text(Decrypt(text.c_str(), "pass")), nullptr)
                    << "length " << length << ", " << int(c) << " at " << position;
            }
        }
    }
}

TEST(DecryptRefusals, EveryOddLengthAndTheEmptyText) {
    const std::string digits(201, 'A');
    EXPECT_EQ(Text(Decrypt("", "pass")), nullptr);
    for (std::size_t length = 1; length <= digits.size(); length += 2) {
        ASSERT_EQ(Text(Decrypt(digits.substr(0, length).c_str(), "pass")), nullptr) << length;
    }
}

TEST(Decrypt, AgreesWithOpenSslAtEveryLength) {
    std::mt19937 rng(91);
    for (std::size_t length = 1; length <= 300; ++length) {
        const Bytes cipher = testbytes::Random(rng, length);
        const Bytes plain = reference::Rc4(testbytes::FromText("pass"), cipher);
        const Text text(Decrypt(reference::Hex(cipher).c_str(), "pass"));
        ASSERT_NE(text, nullptr) << length;
        ASSERT_EQ(Bytes(text.get(), text.get() + length), plain) << length;
        ASSERT_EQ(text[length], '\0') << length;
    }
}

}  // namespace
