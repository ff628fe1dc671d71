// Debian's minisign and this library read each other's keys and signatures.
#include <algorithm>

#include <gtest/gtest.h>

#include "child_process.h"
#include "signing/key_id.h"
#include "signing/public_key.h"
#include "signing/secret_key.h"
#include "signing/signature.h"
#include "signing_fixture.h"

namespace {

using packgate_test::RunProgram;
using packgate_test::ScratchFolder;
using signing_test::kCheapLimits;
using signing_test::ReadBytes;
using signing_test::ReadText;
using signing_test::RunWithInput;

const std::string kMinisign = PACKGATE_MINISIGN;
const std::string kStamp = "timestamp:1765297800\tidentifier:com.quillet.pack\tversion:1.0";

struct MinisignKeys {
    std::string publicPath;
    std::string secretPath;
};

// A key pair made by minisign without a password (a passworded one costs a gigabyte of scrypt).
MinisignKeys MinisignKeyPair(const ScratchFolder& scratch) {
    MinisignKeys keys{scratch / "m.pub", scratch / "m.key"};
    EXPECT_EQ(RunWithInput({kMinisign, "-G", "-W", "-p", keys.publicPath, "-s", keys.secretPath}, "", scratch), 0);
    return keys;
}

TEST(MinisignMadeFiles, SignatureOverAFileVerifiesHere) {
    ScratchFolder scratch("pg-sign");
    const MinisignKeys keys = MinisignKeyPair(scratch);
    const std::string file = scratch.Write("file.bin", std::string("signed\0bytes\n", 13));
    ASSERT_EQ(RunWithInput({kMinisign, "-S", "-W", "-s", keys.secretPath, "-m", file, "-t", kStamp}, "", scratch), 0);

    const auto key = signing::ReadPublicKeyFile(keys.publicPath);
    ASSERT_TRUE(key);
    const auto signature = signing::ParseSignature(ReadText(file + ".minisig"));
    ASSERT_TRUE(signature);
    EXPECT_TRUE(signature->prehashed);
    EXPECT_EQ(signature->trustedComment, kStamp);
    EXPECT_EQ(signing::Verify(*key, ReadBytes(file), *signature), signing::Verdict::Valid);
    // minisign names the key by its id in the public key's comment, printed as we print it.
    // minisign names the key by its id as a plain hexadecimal number, without leading zeros.
    std::string shownId = signing::KeyIdText(key->id);
    shownId.erase(0, std::min(shownId.find_first_not_of('0'), shownId.size() - 1));
    EXPECT_EQ(key->comment, "minisign public key " + shownId);

    std::vector<std::uint8_t> changed = ReadBytes(file);
    changed[0] ^= 1;
    EXPECT_EQ(signing::Verify(*key, changed, *signature), signing::Verdict::BadSignature);
}

TEST(MinisignMadeFiles, LegacySignatureVerifiesHere) {
    ScratchFolder scratch("pg-sign");
    const MinisignKeys keys = MinisignKeyPair(scratch);
    const std::string file = scratch.Write("file.txt", "legacy form\n");
    ASSERT_EQ(RunWithInput({kMinisign, "-S", "-l", "-W", "-s", keys.secretPath, "-m", file}, "", scratch), 0);
    const auto signature = signing::ParseSignature(ReadText(file + ".minisig"));
    ASSERT_TRUE(signature);
    EXPECT_FALSE(signature->prehashed);
    EXPECT_EQ(signing::Verify(*signing::ReadPublicKeyFile(keys.publicPath), ReadBytes(file), *signature),
              signing::Verdict::Valid);
}

TEST(MinisignMadeFiles, UnencryptedSecretKeySignsHereAndMinisignAgrees) {
    ScratchFolder scratch("pg-sign");
    const MinisignKeys keys = MinisignKeyPair(scratch);
    const auto reading = signing::ReadSecretKeyFile(keys.secretPath, "");
    ASSERT_TRUE(reading.key) << reading.reason;
    const std::string file = scratch.Write("file.txt", "signed here\n");
    const auto text = signing::SignFile(*reading.key, file, kStamp, "made here");
    ASSERT_TRUE(text);
    scratch.Write("file.txt.minisig", *text);
    EXPECT_EQ(RunProgram({kMinisign, "-V", "-q", "-p", keys.publicPath, "-m", file}), 0);
}

TEST(OurFiles, SignatureVerifiesWithMinisign) {
    ScratchFolder scratch("pg-sign");
    auto pair = signing::GenerateKeyPair("Packgate test key");
    ASSERT_TRUE(pair);
    ASSERT_TRUE(signing::WritePublicKeyFile(scratch / "our.pub", pair->publicKey));
    const std::string file = scratch.Write("Manifest.plist", "<plist/>\n");
    const auto text = signing::SignFile(pair->secret, file, kStamp, "signature from packgate");
    ASSERT_TRUE(text);
    scratch.Write("Manifest.plist.minisig", *text);
    EXPECT_EQ(RunProgram({kMinisign, "-V", "-q", "-p", scratch / "our.pub", "-m", file}), 0);

    // A trusted comment changed by one byte fails minisign's check too.
    std::string changed = *text;
    changed.replace(changed.find("version:1.0"), 11, "version:1.1");
    scratch.Write("Manifest.plist.minisig", changed);
    EXPECT_NE(RunProgram({kMinisign, "-V", "-q", "-p", scratch / "our.pub", "-m", file}), 0);
}

TEST(OurFiles, EncryptedSecretKeySignsInMinisignWithItsPassword) {
    ScratchFolder scratch("pg-sign");
    auto pair = signing::GenerateKeyPair("Packgate test key");
    ASSERT_TRUE(pair);
    ASSERT_TRUE(signing::WriteSecretKeyFile(scratch / "our.key", pair->secret, "correct horse", kCheapLimits));
    ASSERT_TRUE(signing::WritePublicKeyFile(scratch / "our.pub", pair->publicKey));
    const std::string file = scratch.Write("file.txt", "signed by minisign with our key\n");
    ASSERT_EQ(RunWithInput({kMinisign, "-S", "-s", scratch / "our.key", "-m", file, "-t", kStamp},
                           "correct horse\n", scratch), 0);
    const auto signature = signing::ParseSignature(ReadText(file + ".minisig"));
    ASSERT_TRUE(signature);
    EXPECT_EQ(signing::Verify(pair->publicKey, ReadBytes(file), *signature), signing::Verdict::Valid);

    // The wrong password: minisign refuses the key as we do.
    EXPECT_NE(RunWithInput({kMinisign, "-S", "-s", scratch / "our.key", "-m", file}, "wrong\n", scratch), 0);
}

TEST(OurFiles, UnencryptedSecretKeySignsInMinisign) {
    ScratchFolder scratch("pg-sign");
    auto pair = signing::GenerateKeyPair("Packgate test key");
    ASSERT_TRUE(pair);
    ASSERT_TRUE(signing::WriteSecretKeyFile(scratch / "our.key", pair->secret, ""));
    ASSERT_TRUE(signing::WritePublicKeyFile(scratch / "our.pub", pair->publicKey));
    const std::string file = scratch.Write("file.txt", "unencrypted\n");
    ASSERT_EQ(RunWithInput({kMinisign, "-S", "-W", "-s", scratch / "our.key", "-m", file}, "", scratch), 0);
    EXPECT_EQ(RunProgram({kMinisign, "-V", "-q", "-p", scratch / "our.pub", "-m", file}), 0);
}

}  // namespace
