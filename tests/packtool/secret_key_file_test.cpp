// Telling an encrypted secret key file from a plain one, on files the signing library writes.
#include "packtool/secret_key_file.h"

#include <gtest/gtest.h>

#include "signing/secret_key.h"

namespace packtool_test {
namespace {

// Cheap scrypt limits: the file's form is the same as with minisign's own.
constexpr signing::KdfLimits kCheap{524288, 16777216};

TEST(SecretKeyFile, TellsEncryptedFromPlainKeys) {
    auto pair = signing::GenerateKeyPair("test");
    ASSERT_TRUE(pair);
    const auto plain = signing::SecretKeyText(pair->secret, "");
    const auto encrypted = signing::SecretKeyText(pair->secret, "pw", kCheap);
    ASSERT_TRUE(plain && encrypted);
    EXPECT_EQ(packtool::SecretKeyIsEncrypted(*plain), false);
    EXPECT_EQ(packtool::SecretKeyIsEncrypted(*encrypted), true);
}

TEST(SecretKeyFile, RefusesWhatIsNoSecretKey) {
    // A public key's form: "Ed", then key id bytes where the kdf name would be.
    const std::string publicKey =
        "untrusted comment: minisign public key\nRWQBAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fICEiIyQlJico\n";
    for (const std::string& text : {std::string(), std::string("untrusted comment: x\n"),
                                    std::string("untrusted comment: x\n!!!!\n"), publicKey,
                                    std::string("hello\nRWQAAAAA\n")}) {
        EXPECT_FALSE(packtool::SecretKeyIsEncrypted(text)) << text;
    }
}

}  // namespace
}  // namespace packtool_test
