// EncryptWStringRC4: RC4 over UTF-8, upper-case hex, fitted to a 2048-character buffer.
#include <gtest/gtest.h>

#include <array>
#include <cwchar>
#include <string>

#include <cipherkit/wide_cipher.h>

#include "setupnet/setupnet.h"

namespace {

constexpr wchar_t kGuard = L'\x2603';

struct Output {
    Output() { text.fill(kGuard); }
    std::array<wchar_t, SETUPNET_TEXT_CAPACITY + 8> text;
    int length = -1;
    bool Encrypt(const wchar_t* plain, const wchar_t* passphrase) {
        return EncryptWStringRC4(plain, passphrase, text.data(), &length);
    }
    std::wstring Written() const { return std::wstring(text.data()); }
    bool GuardIntact() const {
        for (std::size_t i = SETUPNET_TEXT_CAPACITY; i < text.size(); ++i) {
            if (text[i] != kGuard) return false;
        }
        return true;
    }
};

// Published RC4 vectors (key, plain text, cipher text).
TEST(SetupNetCipherVectors, MatchPublishedRc4Results) {
    struct Vector {
        const wchar_t* key;
        const wchar_t* plain;
        const wchar_t* cipher;
    };
    const Vector vectors[] = {
        {L"Key", L"Plaintext", L"BBF316E8D940AF0AD3"},
        {L"Wiki", L"pedia", L"1021BF0420"},
        {L"Secret", L"Attack at dawn", L"45A01F645FC35B383552544B9BF5"},
    };
    for (const auto& v : vectors) {
        Output out;
        ASSERT_TRUE(out.Encrypt(v.plain, v.key)) << v.plain;
        EXPECT_EQ(out.Written(), v.cipher);
        EXPECT_EQ(out.length, static_cast<int>(std::wcslen(v.cipher)));
    }
}

TEST(SetupNetCipherText, NonAsciiTextIsEncipheredAsUtf8AndDeciphersBack) {
    const std::wstring plain =
        L"caf\u00e9 \u2713 \U0001F600";  // 3 + 2 + 1 + 3 + 1 + 4 = 14 UTF-8 bytes
    const wchar_t* passphrase = L"7k#Qw2-!mZ9x&p4@Lr";
    Output out;
    ASSERT_TRUE(out.Encrypt(plain.c_str(), passphrase));
    EXPECT_EQ(out.length, 2 * 14);
    EXPECT_EQ(out.Written(), EncryptStringRC4(plain.c_str(), passphrase));
    EXPECT_EQ(DecryptStringRC4(out.Written().c_str(), passphrase), plain);
}

TEST(SetupNetCipherCapacity, LongestTextThatFitsIsEnciphered) {
    const std::wstring plain(1023, L'x');  // 2046 digits and a terminator
    Output out;
    ASSERT_TRUE(out.Encrypt(plain.c_str(), L"key"));
    EXPECT_EQ(out.length, 2046);
    EXPECT_EQ(out.Written().size(), 2046u);
    EXPECT_TRUE(out.GuardIntact());
}

TEST(SetupNetCipherCapacity, TextThatWouldNotFitIsRefusedWithoutWritingPastTheBuffer) {
    for (const std::wstring& plain : {std::wstring(1024, L'x'), std::wstring(5000, L'x'),
                                      std::wstring(342, L'\u2713')}) {  // 1026 UTF-8 bytes
        Output out;
        EXPECT_FALSE(out.Encrypt(plain.c_str(), L"key")) << plain.size();
        EXPECT_EQ(out.length, 0);
        EXPECT_EQ(out.text[0], L'\0');
        EXPECT_TRUE(out.GuardIntact());
    }
}

TEST(SetupNetCipherRefusals, NullOrEmptyArgumentsAreRefused) {
    Output out;
    EXPECT_FALSE(out.Encrypt(nullptr, L"key"));
    EXPECT_FALSE(out.Encrypt(L"text", nullptr));
    EXPECT_FALSE(out.Encrypt(L"", L"key"));
    EXPECT_FALSE(out.Encrypt(L"text", L""));
    EXPECT_EQ(out.length, 0);
    int length = 7;
    EXPECT_FALSE(EncryptWStringRC4(L"text", L"key", nullptr, &length));
    EXPECT_EQ(length, 0);
    EXPECT_FALSE(EncryptWStringRC4(L"text", L"key", out.text.data(), nullptr));
}

}  // namespace
