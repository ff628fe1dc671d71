#include <cipherkit/rc4.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

#include "openssl_reference.h"
#include "test_bytes.h"

namespace {

using testbytes::Bytes;

using Rc4Function = int (*)(const unsigned char*, unsigned int, const unsigned char*, unsigned int,
                            unsigned char*, unsigned int*);

Bytes Cipher(Rc4Function rc4, const Bytes& key, const Bytes& input) {
    Bytes output(input.size());
    unsigned int produced = 12345;
    EXPECT_EQ(rc4(input.data(), static_cast<unsigned int>(input.size()), key.data(),
                  static_cast<unsigned int>(key.size()), output.data(), &produced),
              -1);
    EXPECT_EQ(produced, input.size());
    return output;
}

Bytes Keystream(Rc4Function rc4, const Bytes& key, std::size_t length) {
    return Cipher(rc4, key, Bytes(length, 0));
}

struct KeystreamVector {
    const char* keyHex;
    const char* streamHex;  // the first 32 keystream bytes (offsets 0 and 16)
};

// RFC 6229, test vectors with the keys 0x0102...
const KeystreamVector kRfc6229[] = {
    {"0102030405", "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919"},
    {"01020304050607", "293f02d47f37c9b633f2af5285feb46be620f1390d19bd84e2e0fd752031afc1"},
    {"0102030405060708", "97ab8a1bf0afb96132f2f67258da15a88263efdb45c4a18684ef87e6b19e5b09"},
    {"0102030405060708090a0b0c0d0e0f10",
     "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c"},
};

class Rc4BothNames : public ::testing::TestWithParam<Rc4Function> {};

TEST_P(Rc4BothNames, ProducesTheRfc6229Keystreams) {
    for (const auto& vector : kRfc6229) {
        const Bytes stream = Keystream(GetParam(), testbytes::FromHex(vector.keyHex), 32);
        EXPECT_EQ(testbytes::LowerHex(stream.data(), stream.size()), vector.streamHex)
            << "key " << vector.keyHex;
    }
}

TEST_P(Rc4BothNames, EnciphersTheClassicTextVectors) {
    const auto cipher = [&](const std::string& key, const std::string& text) {
        const Bytes out = Cipher(GetParam(), testbytes::FromText(key), testbytes::FromText(text));
        return testbytes::LowerHex(out.data(), out.size());
    };
    EXPECT_EQ(cipher("Key", "Plaintext"), "bbf316e8d940af0ad3");
    EXPECT_EQ(cipher("Wiki", "pedia"), "1021bf0420");
    EXPECT_EQ(cipher("Secret", "Attack at dawn"), "45a01f645fc35b383552544b9bf5");
}

TEST_P(Rc4BothNames, AgreesWithOpenSslForRandomKeysAndTexts) {
    std::mt19937 rng(6229);
    for (int round = 0; round < 100; ++round) {
        const Bytes key = testbytes::Random(rng, 1 + rng() % 256);
        const Bytes text = testbytes::Random(rng, rng() % 3000);
        EXPECT_EQ(Cipher(GetParam(), key, text), reference::Rc4(key, text))
            << "round " << round << ", key length " << key.size();
    }
}

TEST_P(Rc4BothNames, WorksInPlaceAndDeciphersWhatItEnciphered) {
    std::mt19937 rng(11);
    const Bytes key = testbytes::Random(rng, 16);
    const Bytes text = testbytes::Random(rng, 777);
    const Bytes expected = Cipher(GetParam(), key, text);

    Bytes buffer = text;
    unsigned int produced = 0;
    ASSERT_EQ(GetParam()(buffer.data(), 777, key.data(), 16, buffer.data(), &produced), -1);
    EXPECT_EQ(buffer, expected);
    ASSERT_EQ(GetParam()(buffer.data(), 777, key.data(), 16, buffer.data(), &produced), -1);
    EXPECT_EQ(buffer, text);
}

TEST_P(Rc4BothNames, KeyLongerThan256BytesActsLikeItsFirst256) {
    std::mt19937 rng(256);
    const Bytes longKey = testbytes::Random(rng, 300);
    const Bytes firstPart(longKey.begin(), longKey.begin() + 256);
    const Bytes text = testbytes::Random(rng, 64);
    EXPECT_EQ(Cipher(GetParam(), longKey, text), Cipher(GetParam(), firstPart, text));
    EXPECT_EQ(Cipher(GetParam(), firstPart, text), reference::Rc4(firstPart, text));
}

TEST_P(Rc4BothNames, EveryCallStartsTheKeystreamAfresh) {
    const Bytes key = testbytes::FromText("again");
    EXPECT_EQ(Keystream(GetParam(), key, 40), Keystream(GetParam(), key, 40));
}

TEST_P(Rc4BothNames, ZeroLengthWritesNothingAndSucceeds) {
    const Bytes key = testbytes::FromText("k");
    unsigned char input = 1;
    unsigned char output = 0x5A;
    unsigned int produced = 99;
    EXPECT_EQ(GetParam()(&input, 0, key.data(), 1, &output, &produced), -1);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(output, 0x5A);
}

TEST_P(Rc4BothNames, RefusesNullPointersAndAnEmptyKeyWithoutWriting) {
    const unsigned char key[] = {1, 2, 3};
    unsigned char input[4] = {9, 9, 9, 9};
    unsigned char output[4] = {7, 7, 7, 7};
    unsigned int produced = 42;
    EXPECT_EQ(GetParam()(nullptr, 4, key, 3, output, &produced), 0);
    EXPECT_EQ(GetParam()(input, 4, nullptr, 3, output, &produced), 0);
    EXPECT_EQ(GetParam()(input, 4, key, 3, nullptr, &produced), 0);
    EXPECT_EQ(GetParam()(input, 4, key, 0, output, &produced), 0);
    EXPECT_EQ(produced, 42u);
    EXPECT_EQ(Bytes(output, output + 4), Bytes(4, 7));
}

INSTANTIATE_TEST_SUITE_P(Rc4, Rc4BothNames, ::testing::Values(&RC4, &_RC4),
                         [](const auto& param) { return param.index == 0 ? "RC4" : "_RC4"; });

using GetKeyFunction = int (*)(const unsigned char*, unsigned int, unsigned char*);

class GetKeyBothNames : public ::testing::TestWithParam<GetKeyFunction> {};

TEST_P(GetKeyBothNames, ReturnsAllBitsSetAndAPermutation) {
    const Bytes key = testbytes::FromText("Secret");
    unsigned char sbox[256];
    EXPECT_EQ(GetParam()(key.data(), 6, sbox), -1);
    Bytes sorted(sbox, sbox + 256);
    std::sort(sorted.begin(), sorted.end());
    Bytes identity(256);
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(sorted, identity);
}

TEST_P(GetKeyBothNames, RefusesNullAndEmptyKeysWithoutWriting) {
    const unsigned char key[] = {1};
    unsigned char sbox[256] = {};
    EXPECT_EQ(GetParam()(nullptr, 1, sbox), 0);
    EXPECT_EQ(GetParam()(key, 1, nullptr), 0);
    EXPECT_EQ(GetParam()(key, 0, sbox), 0);
    EXPECT_TRUE(std::all_of(sbox, sbox + 256, [](unsigned char b) { return b == 0; }));
}

TEST_P(GetKeyBothNames, DrivesTheSameKeystreamAsOpenSsl) {
    // The keystream computed by hand from the schedule must be OpenSSL's.
    const Bytes key = testbytes::FromText("schedule");
    unsigned char s[256];
    ASSERT_NE(GetParam()(key.data(), static_cast<unsigned int>(key.size()), s), 0);
    Bytes stream;
    unsigned int i = 0, j = 0;
    for (int k = 0; k < 64; ++k) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        stream.push_back(s[(s[i] + s[j]) & 0xff]);
    }
    EXPECT_EQ(stream, reference::Rc4(key, Bytes(64, 0)));
}

INSTANTIATE_TEST_SUITE_P(Rc4, GetKeyBothNames, ::testing::Values(&GetKey, &_GetKey),
                         [](const auto& param) { return param.index == 0 ? "GetKey" : "_GetKey"; });

}  // namespace
