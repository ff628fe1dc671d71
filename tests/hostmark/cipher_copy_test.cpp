// libhostmark's own build of the MD5 and RC4 code, reached through libhostmark's exports.
#include <cipherkit/hex.h>
#include <cipherkit/md5.h>
#include <cipherkit/rc4.h>
#include <cipherkit/string_cipher.h>
#include <hostmark/md5_text.h>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <random>
#include <string>

#include "loaded_library.h"
#include "openssl_reference.h"

namespace {

using Bytes = reference::Bytes;

std::string Md5Text(const char* text) {
    const std::unique_ptr<char[]> hex(EncryptStringMD5(text));
    return hex.get();
}

TEST(HostmarkMd5, EncryptStringMD5GivesTheRfc1321Digests) {
    EXPECT_EQ(Md5Text(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Text("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Text("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
}

TEST(HostmarkMd5, EncryptStringMD5AgreesWithOpenSslAroundBlockBoundaries) {
    std::mt19937 rng(5);
    std::string text;
    for (int length = 0; length <= 140; ++length) {
        EXPECT_EQ(Md5Text(text.c_str()), reference::Md5Hex(text)) << "length " << length;
        text += static_cast<char>('!' + rng() % 90);
    }
}

TEST(HostmarkMd5, IncrementalInterfaceMatchesTheOneShotText) {
    const std::string text = "the quick brown fox jumps over the lazy dog, twice over";
    MD5Context context;
    MD5Init(&context);
    for (char c : text) MD5Update(&context, reinterpret_cast<const unsigned char*>(&c), 1);
    unsigned char digest[16];
    MD5Final(&context, digest);
    const std::unique_ptr<char[]> hex(ByteToHex(digest, 16));
    std::string lower = hex.get();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lower, Md5Text(text.c_str()));
}

TEST(HostmarkRc4, GetKeyReturnsOneOnSuccessAndZeroOnRefusal) {
    const unsigned char key[] = {1, 2, 3};
    unsigned char sbox[256];
    EXPECT_EQ(GetKey(key, 3, sbox), 1);
    EXPECT_EQ(GetKey(nullptr, 3, sbox), 0);
    EXPECT_EQ(GetKey(key, 0, sbox), 0);
}

TEST(HostmarkRc4, Rc4AgreesWithOpenSsl) {
    std::mt19937 rng(6);
    for (int round = 0; round < 30; ++round) {
        Bytes key(1 + rng() % 64), text(rng() % 500);
        for (auto& b : key) b = static_cast<unsigned char>(rng());
        for (auto& b : text) b = static_cast<unsigned char>(rng());
        Bytes out(text.size());
        unsigned int produced = 0;
        EXPECT_EQ(RC4(text.data(), static_cast<unsigned int>(text.size()), key.data(),
                      static_cast<unsigned int>(key.size()), out.data(), &produced),
                  -1);
        EXPECT_EQ(out, reference::Rc4(key, text));
    }
}

TEST(HostmarkRc4, TwoArgumentEncryptIsUpperHexOfRc4) {
    const std::unique_ptr<char[]> hex(Encrypt("Plaintext", "Key"));
    EXPECT_STREQ(hex.get(), "BBF316E8D940AF0AD3");
    EXPECT_EQ(std::unique_ptr<char[]>(Encrypt("text", "")), nullptr);
}

// Both libraries in one process, each opened privately: each keeps its own GetKey.
TEST(SeparateBuilds, CipherkitAndHostmarkEachAnswerWithTheirOwnGetKey) {
    const LoadedLibrary cipherkit(CIPHERKIT_LIBRARY);
    const LoadedLibrary hostmark(HOSTMARK_LIBRARY);
    ASSERT_TRUE(cipherkit.loaded() && hostmark.loaded()) << LoadedLibrary::Error();
    auto* cipherkitGetKey =
        cipherkit.Find<cipherkit_symbols::GetKeyFunction>(cipherkit_symbols::kGetKey);
    auto* hostmarkGetKey =
        hostmark.Find<cipherkit_symbols::GetKeyFunction>(cipherkit_symbols::kGetKey);
    ASSERT_NE(cipherkitGetKey, nullptr);
    ASSERT_NE(hostmarkGetKey, nullptr);
    const unsigned char key[] = {'k'};
    unsigned char sbox[256];
    EXPECT_EQ(cipherkitGetKey(key, 1, sbox), -1);
    EXPECT_EQ(hostmarkGetKey(key, 1, sbox), 1);
}

}  // namespace
