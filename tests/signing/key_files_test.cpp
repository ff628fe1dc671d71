// Key ids, key files and signature files: their exact form, and every way they are refused.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "signing/key_id.h"
#include "signing/public_key.h"
#include "signing/secret_key.h"
#include "signing/signature.h"
#include "signing_fixture.h"

namespace {

using packgate_test::ScratchFolder;
using signing_test::kCheapLimits;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(KeyIds, PrintAsALittleEndianNumberInUpperCaseHex) {
    const signing::KeyId id{0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01};
    EXPECT_EQ(signing::KeyIdText(id), "0123456789ABCDEF");
    EXPECT_EQ(signing::ParseKeyIdText("0123456789abcdef"), id);
    EXPECT_FALSE(signing::ParseKeyIdText("0123456789ABCDE"));
    EXPECT_FALSE(signing::ParseKeyIdText("0123456789ABCDEG"));
}

TEST(PublicKeyFiles, RoundTripAndRefuseWhatIsNotExactlyAKey) {
    auto pair = signing::GenerateKeyPair("Quillet Packs");
    ASSERT_TRUE(pair);
    const std::string text = signing::PublicKeyText(pair->publicKey);
    const auto read = signing::ParsePublicKey(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->id, pair->publicKey.id);
    EXPECT_EQ(read->key, pair->publicKey.key);
    EXPECT_EQ(read->comment, "Quillet Packs");

    std::string crlf = text;
    crlf.insert(crlf.find('\n'), "\r");
    EXPECT_TRUE(signing::ParsePublicKey(crlf));
    const std::string line2 = text.substr(text.find('\n') + 1);
    EXPECT_FALSE(signing::ParsePublicKey(line2));                                   // No comment.
    EXPECT_FALSE(signing::ParsePublicKey(text + "extra\n"));                        // Three lines.
    EXPECT_FALSE(signing::ParsePublicKey("untrusted comment: x\n" + line2.substr(4)));  // Cut short.
    std::string otherAlgorithm = "untrusted comment: x\n" + line2;
    otherAlgorithm[otherAlgorithm.find('\n') + 2] = 'X';  // "Ed" becomes "Et".
    EXPECT_FALSE(signing::ParsePublicKey(otherAlgorithm));
    EXPECT_FALSE(signing::ParsePublicKey(""));
}

TEST(SecretKeyFiles, AreWrittenOwnerOnlyWhateverTheUmask) {
    ScratchFolder scratch("pg-key");
    auto pair = signing::GenerateKeyPair("k");
    ASSERT_TRUE(pair);
    const mode_t previous = umask(0);
    const bool written = signing::WriteSecretKeyFile(scratch / "k.key", pair->secret, "pw", kCheapLimits);
    umask(previous);
    ASSERT_TRUE(written);
    struct stat facts {};
    ASSERT_EQ(stat((scratch / "k.key").c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0600u);
}

TEST(SecretKeyFiles, ReadBackOnlyWithTheirPassword) {
    ScratchFolder scratch("pg-key");
    auto pair = signing::GenerateKeyPair("k");
    ASSERT_TRUE(pair);
    ASSERT_TRUE(signing::WriteSecretKeyFile(scratch / "k.key", pair->secret, "right", kCheapLimits));

    const auto good = signing::ReadSecretKeyFile(scratch / "k.key", "right");
    ASSERT_TRUE(good.key) << good.reason;
    EXPECT_EQ(good.key->id(), pair->secret.id());
    EXPECT_EQ(good.key->publicKey("k").key, pair->publicKey.key);

    const auto wrong = signing::ReadSecretKeyFile(scratch / "k.key", "wrong");
    EXPECT_FALSE(wrong.key);
    EXPECT_EQ(wrong.error, signing::SecretKeyError::WrongPassword);
    EXPECT_NE(wrong.reason.find("wrong password"), std::string::npos);

    EXPECT_EQ(signing::ReadSecretKeyFile(scratch / "none.key", "right").error, signing::SecretKeyError::Unreadable);
    EXPECT_EQ(signing::ParseSecretKey("untrusted comment: x\nRWQ=\n", "").error, signing::SecretKeyError::Malformed);
}

TEST(SecretKeyFiles, UnencryptedKeyWithABrokenChecksumIsRefused) {
    auto pair = signing::GenerateKeyPair("k");
    ASSERT_TRUE(pair);
    auto text = signing::SecretKeyText(pair->secret, "");
    ASSERT_TRUE(text);
    ASSERT_TRUE(signing::ParseSecretKey(*text, "").key);
    // The last base64 group holds checksum bytes only.
    const std::size_t end = text->rfind('\n');
    (*text)[end - 5] = (*text)[end - 5] == 'A' ? 'B' : 'A';
    EXPECT_EQ(signing::ParseSecretKey(*text, "").error, signing::SecretKeyError::Malformed);
}

TEST(SecretKeyFiles, ExtremeKdfLimitsAreRefusedUntried) {
    auto pair = signing::GenerateKeyPair("k");
    ASSERT_TRUE(pair);
    const auto text = signing::SecretKeyText(pair->secret, "pw", {32768, 1ull << 40});
    ASSERT_TRUE(text);
    EXPECT_EQ(signing::ParseSecretKey(*text, "pw").error, signing::SecretKeyError::TooCostly);
}

TEST(Signatures, CoverTheFileAndTheTrustedComment) {
    auto pair = signing::GenerateKeyPair("k");
    auto other = signing::GenerateKeyPair("other");
    ASSERT_TRUE(pair && other);
    const auto signature = signing::Sign(pair->secret, Bytes("bytes"), "trusted", "untrusted");
    ASSERT_TRUE(signature);
    const auto read = signing::ParseSignature(signing::SignatureText(*signature));
    ASSERT_TRUE(read);
    EXPECT_EQ(signing::Verify(pair->publicKey, Bytes("bytes"), *read), signing::Verdict::Valid);
    EXPECT_EQ(signing::Verify(pair->publicKey, Bytes("Bytes"), *read), signing::Verdict::BadSignature);
    EXPECT_EQ(signing::Verify(other->publicKey, Bytes("bytes"), *read), signing::Verdict::WrongKey);
    signing::Signature changed = *read;
    changed.trustedComment = "trusted!";
    EXPECT_EQ(signing::Verify(pair->publicKey, Bytes("bytes"), changed), signing::Verdict::BadTrustedComment);
    // Another key that claims the same id still fails the signature itself.
    signing::PublicKey impostor = other->publicKey;
    impostor.id = pair->publicKey.id;
    EXPECT_EQ(signing::Verify(impostor, Bytes("bytes"), *read), signing::Verdict::BadSignature);
}

TEST(Signatures, RefuseCommentsThatCannotStandOnOneLine) {
    auto pair = signing::GenerateKeyPair("k");
    ASSERT_TRUE(pair);
    EXPECT_FALSE(signing::Sign(pair->secret, Bytes("x"), "two\nlines", "u"));
    EXPECT_FALSE(signing::Sign(pair->secret, Bytes("x"), "t", "u\r"));
    EXPECT_FALSE(signing::Sign(pair->secret, Bytes("x"), std::string(signing::kMaxTrustedCommentBytes + 1, 'a'), "u"));
    EXPECT_TRUE(signing::Sign(pair->secret, Bytes("x"), std::string(signing::kMaxTrustedCommentBytes, 'a'), "u"));
}

TEST(SignatureFiles, RefuseWhatIsNotExactlyFourLines) {
    auto pair = signing::GenerateKeyPair("k");
    ASSERT_TRUE(pair);
    const std::string text = signing::SignatureText(*signing::Sign(pair->secret, Bytes("x"), "t", "u"));
    EXPECT_TRUE(signing::ParseSignature(text));
    EXPECT_FALSE(signing::ParseSignature(text.substr(0, text.rfind('\n', text.size() - 2) + 1)));
    EXPECT_FALSE(signing::ParseSignature(text + "more\n"));
    std::string noTrusted = text;
    noTrusted.replace(noTrusted.find("trusted comment: t"), 8, "comment!");
    EXPECT_FALSE(signing::ParseSignature(noTrusted));
    std::string badBase64 = text;
    badBase64[badBase64.find('\n') + 5] = '*';
    EXPECT_FALSE(signing::ParseSignature(badBase64));
}

}  // namespace
