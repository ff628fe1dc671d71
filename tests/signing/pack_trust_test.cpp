// The one check of a pack folder: who signed it, and whether anything of it changed since.
#include <gtest/gtest.h>

#include "signing/manifest.h"
#include "signing/pack_signing.h"
#include "signing/signature.h"
#include "signing/trusted_comment.h"
#include "signing_fixture.h"

namespace {

using packgate_test::ScratchFolder;
using signing::PackTrust;
using State = signing::PackTrust::State;

constexpr std::int64_t kSignedAt = 1765297800;  // 2025-12-09 16:30:00 UTC

class PackTrustTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto made = signing::GenerateKeyPair("Quillet Packs");
        ASSERT_TRUE(made);
        pair_.emplace(std::move(*made));
        pack_ = signing_test::MakePackFolder(scratch_);
    }
    void Sign() {
        std::string error;
        ASSERT_TRUE(signing::SignPackFolder(pack_, pair_->secret, kSignedAt, &error)) << error;
    }
    PackTrust Check() const { return signing::VerifyPackFolder(pack_, keys_); }
    void Trust() { keys_.trusted.push_back(pair_->publicKey); }

    ScratchFolder scratch_{"pg-trust"};
    std::optional<signing::KeyPair> pair_;
    std::string pack_;
    signing::TrustedKeys keys_;
};

TEST_F(PackTrustTest, SignedByATrustedKeyIsTrustedAndNamesItsSigner) {
    Sign();
    Trust();
    const PackTrust trust = Check();
    EXPECT_EQ(trust.state, State::Trusted) << trust.reason;
    EXPECT_EQ(trust.keyId, signing::KeyIdText(pair_->publicKey.id));
    EXPECT_EQ(trust.signer, "Quillet Packs");
    EXPECT_EQ(trust.signedAt, kSignedAt);
    EXPECT_EQ(signing::StampTimeText(trust.signedAt), "2025-12-09 16:30:00 UTC");
    const auto signature = signing::ParseSignature(signing_test::ReadText(pack_ + "/" + signing::kManifestSignaturePath));
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->trustedComment,
              "timestamp:1765297800\tidentifier:com.quillet.pack.signed\tversion:3.0");
}

TEST_F(PackTrustTest, UnsignedUntrustedAndRevokedAreRefusedWithTheKeyId) {
    EXPECT_EQ(Check().state, State::Unsigned);
    Sign();
    const PackTrust untrusted = Check();
    EXPECT_EQ(untrusted.state, State::UntrustedKey);
    EXPECT_EQ(untrusted.keyId, signing::KeyIdText(pair_->publicKey.id));
    Trust();
    keys_.revoked.push_back(pair_->publicKey);
    const PackTrust revoked = Check();
    EXPECT_EQ(revoked.state, State::RevokedKey);
    EXPECT_EQ(revoked.keyId, untrusted.keyId);
}

TEST_F(PackTrustTest, AnotherKeyWithTheSameIdDoesNotPass) {
    Sign();
    auto other = signing::GenerateKeyPair("Impostor");
    ASSERT_TRUE(other);
    other->publicKey.id = pair_->publicKey.id;
    keys_.trusted.push_back(other->publicKey);
    const PackTrust trust = Check();
    EXPECT_EQ(trust.state, State::Tampered);
    EXPECT_EQ(trust.entry, signing::kManifestPath);
}

TEST_F(PackTrustTest, ChangedEntryNamesTheFirstOne) {
    Sign();
    Trust();
    scratch_.Write("Signed.pack/Contents/Payload/b.txt", "payload B\n");
    scratch_.Write("Signed.pack/Contents/Payload/z.txt", "added\n");
    const PackTrust trust = Check();
    EXPECT_EQ(trust.state, State::Tampered);
    EXPECT_EQ(trust.entry, "Contents/Payload/b.txt");
    EXPECT_EQ(trust.difference, signing::Difference::Content);
    EXPECT_EQ(trust.reason, "Contents/Payload/b.txt content changed");
}

TEST_F(PackTrustTest, ChangedManifestOrTrustedCommentIsTampering) {
    Sign();
    Trust();
    const std::string manifestPath = pack_ + "/" + signing::kManifestPath;
    const std::string manifest = signing_test::ReadText(manifestPath);
    scratch_.Write("Signed.pack/" + std::string(signing::kManifestPath), manifest + " ");
    EXPECT_EQ(Check().state, State::Tampered);
    EXPECT_EQ(Check().entry, signing::kManifestPath);
    scratch_.Write("Signed.pack/" + std::string(signing::kManifestPath), manifest);
    ASSERT_EQ(Check().state, State::Trusted);

    const std::string signaturePath = pack_ + "/" + signing::kManifestSignaturePath;
    std::string signature = signing_test::ReadText(signaturePath);
    signature.replace(signature.find("version:3.0"), 11, "version:3.1");
    scratch_.Write("Signed.pack/" + std::string(signing::kManifestSignaturePath), signature);
    EXPECT_EQ(Check().state, State::Tampered);
}

TEST_F(PackTrustTest, SignatureWithoutItsManifestIsTampering) {
    Sign();
    Trust();
    ASSERT_EQ(unlink((pack_ + "/" + signing::kManifestPath).c_str()), 0);
    const PackTrust trust = Check();
    EXPECT_EQ(trust.state, State::Tampered);
    EXPECT_EQ(trust.entry, signing::kManifestPath);
    EXPECT_EQ(trust.difference, signing::Difference::Missing);
}

TEST_F(PackTrustTest, InfoPlistMustNameWhatWasSigned) {
    // Signed as one version, then Info.plist rewritten and the manifest re-signed... by no
    // one: the manifest still says 3.0, and Info.plist's change is itself listed.
    Sign();
    Trust();
    std::string info = signing_test::ReadText(pack_ + "/Contents/Info.plist");
    info.replace(info.find("<string>3.0</string>"), 20, "<string>3.1</string>");
    scratch_.Write("Signed.pack/Contents/Info.plist", info);
    EXPECT_EQ(Check().state, State::Tampered);

    // A manifest signed for another version than Info.plist gives (made by hand, as a maker
    // with a trusted key might): refused as a mismatch.
    ScratchFolder other("pg-trust");
    const std::string pack = signing_test::MakePackFolder(other, "Other.pack");
    ASSERT_TRUE(signing::SignPackFolder(pack, pair_->secret, kSignedAt));
    auto manifest = signing::BuildManifest(pack, signing_test::kIdentifier, "9.9");
    ASSERT_TRUE(manifest);
    other.Write("Other.pack/" + std::string(signing::kManifestPath), signing::ManifestText(*manifest));
    const auto text = signing::SignFile(pair_->secret, pack + "/" + signing::kManifestPath,
                                        "timestamp:1\tidentifier:" + signing_test::kIdentifier + "\tversion:9.9", "u");
    ASSERT_TRUE(text);
    other.Write("Other.pack/" + std::string(signing::kManifestSignaturePath), *text);
    EXPECT_EQ(signing::VerifyPackFolder(pack, keys_).state, State::Mismatch);
}

TEST_F(PackTrustTest, UnreadableSignatureIsMalformed) {
    scratch_.Write("Signed.pack/" + std::string(signing::kManifestSignaturePath), "not a signature\n");
    Trust();
    EXPECT_EQ(Check().state, State::Malformed);
}

TEST(PackStamps, ReadExactlyTheirThreeFields) {
    const auto stamp = signing::ParsePackStamp("timestamp:12\tidentifier:a.b\tversion:1.0");
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->timestamp, 12);
    EXPECT_EQ(stamp->identifier, "a.b");
    EXPECT_EQ(stamp->version, "1.0");
    EXPECT_FALSE(signing::ParsePackStamp("timestamp:12\tidentifier:a.b"));
    EXPECT_FALSE(signing::ParsePackStamp("timestamp:x\tidentifier:a\tversion:1"));
    EXPECT_FALSE(signing::ParsePackStamp("timestamp:1\tversion:1\tidentifier:a"));
    EXPECT_FALSE(signing::ParsePackStamp("timestamp:1\tidentifier:a\tversion:1\textra:2"));
    EXPECT_FALSE(signing::PackStampText({1, "a\tb", "1"}));
}

}  // namespace
