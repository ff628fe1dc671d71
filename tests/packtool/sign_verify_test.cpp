// packgate-pack sign and verify, against Debian's minisign both ways.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "pack_tool_run.h"
#include "signing/key_id.h"
#include "signing/public_key.h"

namespace packtool_test {
namespace {

namespace fs = std::filesystem;

const std::string kManifest = "/Contents/Signature/Manifest.plist";
const std::string kMinisig = "/Contents/Signature/Manifest.plist.minisig";

std::string KeyIdOf(const std::string& publicKeyFile) {
    const auto key = signing::ReadPublicKeyFile(publicKeyFile);
    return key ? signing::KeyIdText(key->id) : std::string();
}

class PackToolSigning : public ::testing::Test {
  protected:
    packgate_test::ScratchFolder scratch_{"pg-sign"};
    KeyFiles keys_ = MakeKeys(scratch_, "acme", "Acme Packs");
    std::string pack_ = CreatePack(scratch_);

    ProgramResult Sign(const KeyFiles& keys) { return RunPackTool({"sign", pack_, "-s", keys.secretKey}); }
    ProgramResult Verify(const std::string& pack, const KeyFiles& keys) {
        return RunPackTool({"verify", pack, "-p", keys.publicKey});
    }
    ProgramResult MinisignVerify(const KeyFiles& keys) {
        return RunTool("minisign", {"-Vm", pack_ + kManifest, "-p", keys.publicKey, "-x", pack_ + kMinisig});
    }
};

TEST_F(PackToolSigning, ItsSignatureVerifiesWithMinisign) {
    const ProgramResult signedPack = Sign(keys_);
    ASSERT_EQ(signedPack.exitCode, 0) << signedPack.err;
    EXPECT_NE(signedPack.out.find("with key " + KeyIdOf(keys_.publicKey)), std::string::npos);
    const ProgramResult checked = MinisignVerify(keys_);
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find("identifier:com.acme.pack.test\tversion:2.0"), std::string::npos) << checked.out;

    const ProgramResult verified = Verify(pack_, keys_);
    EXPECT_EQ(verified.exitCode, 0) << verified.err;
    EXPECT_EQ(installer_test::Lines(verified.out).at(0),
              "Signed by Acme Packs (key " + KeyIdOf(keys_.publicKey) + ")");
}

TEST_F(PackToolSigning, VerifiesASignatureMadeByMinisign) {
    // minisign's own key pair, and its signature over the manifest packgate-pack wrote.
    const KeyFiles theirs{scratch_ / "minisign.pub", scratch_ / "minisign.key"};
    const ProgramResult made = RunTool("minisign", {"-G", "-W", "-p", theirs.publicKey, "-s", theirs.secretKey});
    ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
    ASSERT_EQ(Sign(keys_).exitCode, 0);
    const std::string comment = TrustedComment(pack_ + kMinisig);
    ASSERT_NE(comment, "");
    const ProgramResult signedByMinisign = RunTool(
        "minisign", {"-S", "-s", theirs.secretKey, "-m", pack_ + kManifest, "-x", pack_ + kMinisig, "-t", comment});
    ASSERT_EQ(signedByMinisign.exitCode, 0) << signedByMinisign.out << signedByMinisign.err;

    const ProgramResult verified = Verify(pack_, theirs);
    EXPECT_EQ(verified.exitCode, 0) << verified.err;
    EXPECT_NE(verified.out.find("(key " + KeyIdOf(theirs.publicKey) + ")"), std::string::npos) << verified.out;
    // And no longer by the key that signed first.
    const ProgramResult other = Verify(pack_, keys_);
    EXPECT_EQ(other.exitCode, 2);
    EXPECT_NE(other.err.find("is signed by key " + KeyIdOf(theirs.publicKey) + ", not by Acme Packs"),
              std::string::npos)
        << other.err;
}

TEST_F(PackToolSigning, SigningAgainReplacesManifestAndSignature) {
    const KeyFiles second = MakeKeys(scratch_, "second", "Second Key");
    ASSERT_EQ(Sign(keys_).exitCode, 0);
    scratch_.Write("Test.pack/Contents/Payload/Added.txt", "added later\n");
    ASSERT_EQ(Sign(second).exitCode, 0);
    EXPECT_EQ(Verify(pack_, second).exitCode, 0);
    EXPECT_EQ(Verify(pack_, keys_).exitCode, 2);
    EXPECT_EQ(MinisignVerify(second).exitCode, 0);
    EXPECT_NE(Bytes(pack_ + kManifest).find("Contents/Payload/Added.txt"), std::string::npos);
}

TEST_F(PackToolSigning, VerifyNamesTheFirstDifference) {
    ASSERT_EQ(Sign(keys_).exitCode, 0);
    {
        std::ofstream file(pack_ + "/Contents/Payload/Readme.txt", std::ios::app);
        file << "x";
    }
    ProgramResult refused = Verify(pack_, keys_);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("changed since it was signed: Contents/Payload/Readme.txt"), std::string::npos)
        << refused.err;

    ASSERT_EQ(Sign(keys_).exitCode, 0);
    scratch_.Write("Test.pack/Contents/Payload/Templates/Extra.qtpl", "unlisted");
    refused = Verify(pack_, keys_);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("Contents/Payload/Templates/Extra.qtpl"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");
}

TEST_F(PackToolSigning, RefusesUnsignedPacksArchivesAndWhatIsNoPack) {
    ProgramResult refused = Verify(pack_, keys_);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "packgate-pack: " + pack_ + " is not signed\n");

    refused = RunPackTool({"sign", scratch_.Write("Some.pack.tar.xz", "x"), "-s", keys_.secretKey});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("is not a pack folder (sign the folder, then archive it)"), std::string::npos);
    refused = RunPackTool({"sign", scratch_.MakeFolder("Empty.pack"), "-s", keys_.secretKey});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_FALSE(fs::exists(scratch_ / "Empty.pack/Contents/Signature"));
    refused = RunPackTool({"sign", pack_, "-s", keys_.publicKey});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("is not a secret key file"), std::string::npos) << refused.err;
    refused = RunPackTool({"verify", pack_, "-p", keys_.secretKey});
    EXPECT_EQ(refused.exitCode, 1);
    refused = RunPackTool({"verify", scratch_ / "Missing.pack", "-p", keys_.publicKey});
    EXPECT_EQ(refused.exitCode, 2);
}

}  // namespace
}  // namespace packtool_test
