#include <hostmark/encode_tool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "loaded_library.h"
#include "openssl_reference.h"

namespace {

constexpr const char* kPassphrase = "h%Lq3&w";
constexpr const char* kSalt = "=~T6!";

using EncodeFunction = int (*)(char*, char*, char*);

struct Encoded {
    int result;
    std::vector<char> hex;
    std::vector<char> code;
};

// Both buffers are exactly the size the caller must provide, plus guard bytes behind them.
Encoded Encode(EncodeFunction function, std::string text) {
    Encoded out{0, std::vector<char>(2 * text.size() + 1 + 8, '#'), std::vector<char>(11 + 8, '#')};
    out.result = function(text.data(), out.hex.data(), out.code.data());
    return out;
}

bool GuardIntact(const std::vector<char>& buffer, std::size_t size) {
    return std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(size), buffer.end(),
                       [](char c) { return c == '#'; });
}

int ThreeArgumentEncrypt(char* text, char* hex, char* code) {
    return Encrypt(text, hex, code);
}

class CipherkitDecrypt {
  public:
    CipherkitDecrypt() : library_(CIPHERKIT_LIBRARY) {}
    bool ready() const { return decrypt_ != nullptr; }
    std::string operator()(const std::string& hex, const char* passphrase) const {
        const std::unique_ptr<char[]> plain(decrypt_(hex.c_str(), passphrase));
        return plain ? plain.get() : "<null>";
    }

  private:
    LoadedLibrary library_;
    cipherkit_symbols::DecryptFunction* decrypt_ =
        library_.loaded()
            ? library_.Find<cipherkit_symbols::DecryptFunction>(cipherkit_symbols::kDecrypt)
            : nullptr;
};

std::string RandomText(std::mt19937& rng) {
    std::string text;
    for (std::size_t n = 1 + rng() % 120; n > 0; --n) text += static_cast<char>(1 + rng() % 255);
    return text;
}

TEST(EncodeTool, HexOutputDeciphersWithCipherkitsDecryptUnderTheFixedPassphrase) {
    const CipherkitDecrypt decrypt;
    ASSERT_TRUE(decrypt.ready()) << LoadedLibrary::Error();
    std::mt19937 rng(32);
    for (int round = 0; round < 100; ++round) {
        const std::string text = RandomText(rng);
        const Encoded out = Encode(&ThreeArgumentEncrypt, text);
        ASSERT_EQ(out.result, 1);
        const std::string hex = out.hex.data();
        EXPECT_EQ(hex.size(), 2 * text.size());
        EXPECT_TRUE(std::all_of(hex.begin(), hex.end(),
                                [](char c) { return std::isdigit(c) || (c >= 'A' && c <= 'F'); }));
        EXPECT_EQ(decrypt(hex, kPassphrase), text) << "round " << round;
        EXPECT_TRUE(GuardIntact(out.hex, 2 * text.size() + 1));
    }
}

TEST(EncodeTool, CodeIsDigits4To13OfTheMd5OfTheSaltedHexOutput) {
    std::mt19937 rng(33);
    for (int round = 0; round < 100; ++round) {
        const Encoded out = Encode(&ThreeArgumentEncrypt, RandomText(rng));
        const std::string code = out.code.data();
        const std::string digest = reference::Md5Hex(std::string(out.hex.data()) + kSalt);
        EXPECT_EQ(code, digest.substr(3, 10));
        EXPECT_EQ(code.size(), 10u);
        EXPECT_TRUE(std::all_of(code.begin(), code.end(),
                                [](char c) { return std::isdigit(c) || (c >= 'a' && c <= 'f'); }));
        EXPECT_TRUE(GuardIntact(out.code, 11));
    }
}

TEST(EncodeTool, SameTextAlwaysGivesTheSameOutputs) {
    const Encoded first = Encode(&ThreeArgumentEncrypt, "hello");
    const Encoded second = Encode(&KZUUID_Encrypt, "hello");
    EXPECT_EQ(first.hex, second.hex);
    EXPECT_EQ(first.code, second.code);
}

TEST(EncodeTool, EmptyTextLeavesBothBuffersAloneYetKZUUIDEncryptReturnsOne) {
    char text[] = "";
    char hex[8] = "#######";
    char code[12] = "###########";
    EXPECT_EQ(Encrypt(text, hex, code), 0);
    EXPECT_EQ(KZUUID_Encrypt(text, hex, code), 1);
    EXPECT_EQ(Hostmark_EncodeTool(text, hex, code), 1);
    EXPECT_STREQ(hex, "#######");
    EXPECT_STREQ(code, "###########");
}

TEST(EncodeTool, RefusesNullPointersWithoutWriting) {
    char text[] = "abc";
    char hex[8] = "#######";
    char code[12] = "###########";
    EXPECT_EQ(Encrypt(nullptr, hex, code), 0);
    EXPECT_EQ(Encrypt(text, nullptr, code), 0);
    EXPECT_EQ(Encrypt(text, hex, nullptr), 0);
    EXPECT_EQ(KZUUID_Encrypt(text, nullptr, code), 1);
    EXPECT_STREQ(hex, "#######");
    EXPECT_STREQ(code, "###########");
}

TEST(EncodeTool, AllThreeNamesGiveTheSameBytes) {
    std::mt19937 rng(34);
    std::vector<std::string> texts = {"", "a", "hello", "caf\xC3\xA9"};
    for (int i = 0; i < 20; ++i) texts.push_back(RandomText(rng));
    for (const std::string& text : texts) {
        const Encoded kz = Encode(&KZUUID_Encrypt, text);
        const Encoded hostmark = Encode(&Hostmark_EncodeTool, text);
        const Encoded typed = Encode(&ThreeArgumentEncrypt, text);
        EXPECT_EQ(kz.result, 1);
        EXPECT_EQ(hostmark.result, kz.result);
        EXPECT_EQ(hostmark.hex, kz.hex);
        EXPECT_EQ(hostmark.code, kz.code);
        EXPECT_EQ(typed.hex, kz.hex);
        EXPECT_EQ(typed.code, kz.code);
    }
}

}  // namespace
