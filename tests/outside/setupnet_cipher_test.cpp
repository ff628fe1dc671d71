// EncryptWStringRC4: RC4 over UTF-8, upper-case hex, into a buffer sized from the plain text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <string>
#include <vector>

#include <cipherkit/utf8_convert.h>
#include <cipherkit/wide_cipher.h>

#include "openssl_reference.h"
#include "setupnet/setupnet.h"

namespace {

constexpr wchar_t kGuard = L'\x2603';
constexpr std::size_t kGuardCount = 8;

// An output buffer of `capacity` characters with guard characters after it.
struct Output {
    explicit Output(std::size_t size) : text(size + kGuardCount, kGuard), capacity(size) {}
    std::vector<wchar_t> text;
    std::size_t capacity;
    int length = -1;
    bool Encrypt(const wchar_t* plain, const wchar_t* passphrase) {
        return EncryptWStringRC4(plain, passphrase, text.data(), &length);
    }
    std::wstring Written() const { return std::wstring(text.data()); }
    bool GuardIntact() const {
        return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(capacity), text.end(),
                           [](wchar_t c) { return c == kGuard; });
    }
};

// OpenSSL's RC4 of the UTF-8 form of `plain`, as upper-case hex.
std::wstring ReferenceCipher(const std::wstring& plain, const std::string& key) {
    const std::string utf8 = ConvertToString(plain);
    const auto cipher = reference::Rc4(reference::Bytes(key.begin(), key.end()),
                                       reference::Bytes(utf8.begin(), utf8.end()));
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring hex;
    for (const unsigned char byte : cipher) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

// The buffer the library asks for: two characters per UTF-8 byte of `plain` and a terminator.
Output SizedFor(const std::wstring& plain) {
    return Output(2 * ConvertToString(plain).size() + 1);
}

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
        Output out = SizedFor(v.plain);
        ASSERT_TRUE(out.Encrypt(v.plain, v.key)) << v.plain;
        EXPECT_EQ(out.Written(), v.cipher);
        EXPECT_EQ(out.length, static_cast<int>(std::wcslen(v.cipher)));
    }
}

TEST(SetupNetCipherText, NonAsciiTextIsEncipheredAsUtf8AndDeciphersBack) {
    const std::wstring plain =
        L"caf\u00e9 \u2713 \U0001F600";  // 3 + 2 + 1 + 3 + 1 + 4 = 14 UTF-8 bytes
    const wchar_t* passphrase = L"7k#Qw2-!mZ9x&p4@Lr";
    Output out = SizedFor(plain);
    ASSERT_TRUE(out.Encrypt(plain.c_str(), passphrase));
    EXPECT_EQ(out.length, 2 * 14);
    EXPECT_EQ(out.Written(), EncryptStringRC4(plain.c_str(), passphrase));
    EXPECT_EQ(DecryptStringRC4(out.Written().c_str(), passphrase), plain);
}

TEST(SetupNetCipherCapacity, TextOfAnyRecordLengthFillsABufferSizedFromIt) {
    const std::wstring texts[] = {
        std::wstring(1023, L'x'),          std::wstring(1024, L'x'),
        std::wstring(2047, L'x'),          std::wstring(2047, L'\u00e9'),  // 2 UTF-8 bytes each
        std::wstring(2047, L'\u2713'),                                     // 3
        std::wstring(2047, L'\U0001F600'),                                 // 4
    };
    for (const std::wstring& plain : texts) {
        const std::size_t bytes = ConvertToString(plain).size();
        Output out = SizedFor(plain);
        ASSERT_TRUE(out.Encrypt(plain.c_str(), L"key")) << plain.size() << " / " << bytes;
        EXPECT_EQ(out.length, static_cast<int>(2 * bytes));
        EXPECT_EQ(out.Written().size(), 2 * bytes);
        EXPECT_TRUE(out.GuardIntact()) << bytes;
        EXPECT_EQ(out.Written(), ReferenceCipher(plain, "key")) << bytes;
    }
}

TEST(SetupNetCipherCapacity, LimitCountsUtf8BytesAndTextBeyondItIsRefusedUntouched) {
    const std::size_t limit = SETUPNET_MAX_PLAIN_BYTES;
    const std::wstring atLimit[] = {std::wstring(limit, L'x'),
                                    std::wstring(limit / 4, L'\U0001F600')};
    for (const std::wstring& plain : atLimit) {
        Output out = SizedFor(plain);
        EXPECT_TRUE(out.Encrypt(plain.c_str(), L"key")) << plain.size();
        EXPECT_EQ(out.length, static_cast<int>(2 * limit));
        EXPECT_TRUE(out.GuardIntact());
    }
    const std::wstring beyond[] = {std::wstring(limit + 1, L'x'),
                                   std::wstring(limit / 4 + 1, L'\U0001F600'),
                                   std::wstring(limit / 2, L'\u2713')};
    for (const std::wstring& plain : beyond) {
        Output out(1);  // a refusal writes the terminator only
        EXPECT_FALSE(out.Encrypt(plain.c_str(), L"key")) << plain.size();
        EXPECT_EQ(out.length, 0);
        EXPECT_EQ(out.text[0], L'\0');
        EXPECT_TRUE(out.GuardIntact());
    }
}

TEST(SetupNetCipherRefusals, NullOrEmptyArgumentsAreRefused) {
    Output out(16);
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
