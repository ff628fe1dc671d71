// The built program's trust policy: a pack runs only when a trusted, not revoked key signed
// it and nothing of it changed; every refusal is one line naming the key id, exit status 2,
// and nothing of the refused pack ever runs.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "fake_machine.h"
#include "installer_program.h"
#include "pack_fixture.h"
#include "trust_fixture.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using trust_test::kDemoPack;

const std::string kModulePath = "Contents/Plugins/Packgate.bundle/Contents/MacOS/Packgate";

// --check's line on the signature.
std::string SignatureLine(const std::string& out) {
    for (const std::string& line : Lines(out)) {
        if (line.starts_with("Signature: ")) return line;
    }
    return "(no signature line in: " + out + ")";
}

ProgramResult RunPack(const packgate_test::FakeMachine& machine, const std::string& pack,
                      std::vector<std::string> extra = {},
                      std::map<std::string, std::string> environment = EnglishEnvironment()) {
    std::vector<std::string> arguments{pack, "--root", machine.root(), "--home", machine.home(), "--choose", "0"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunProgram(kInstaller, arguments, environment);
}

TEST(TrustProgram, PackSignedByMinisignInstallsAndItsReceiptNamesTheKey) {
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    TemporaryFolder scratch;
    const std::string keyId = trust_test::MakeMinisignKeys(scratch);
    const std::string pack = trust_test::CopyDemoPack(scratch, "Demo.pack");
    trust_test::SignPackWithMinisign(pack, scratch / "m.key");

    // Trusted for the run with --trust.
    ProgramResult result = RunPack(machine, pack, {"--trust", scratch / "m.pub"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // Trusted by the machine: the key in ROOT/etc/packgate/trusted-keys.
    trust_test::InstallKey(machine.root(), "trusted-keys", scratch / "m.pub");
    result = RunPack(machine, pack);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const ProgramResult listed =
        RunProgram(kInstaller, {"--list-installed", "--home", machine.home(), "--json"}, EnglishEnvironment());
    const nlohmann::json installed = nlohmann::json::parse(listed.out)["installed"];
    ASSERT_EQ(installed.size(), 1u) << listed.out;
    EXPECT_EQ(installed[0]["signer_key_id"], keyId);
    const ProgramResult verified = RunProgram(
        kInstaller, {"--verify", installed[0]["identifier"], "--home", machine.home()}, EnglishEnvironment());
    EXPECT_EQ(verified.exitCode, 0);
    EXPECT_NE(verified.out.find("  signed by key " + keyId + "\n"), std::string::npos) << verified.out;
    const std::string receipt = ReadFile(installed[0]["receipt"].get<std::string>());
    EXPECT_NE(receipt.find("<key>SignerKeyID</key>\n\t<string>" + keyId + "</string>"), std::string::npos);
}

TEST(TrustProgram, UnsignedUntrustedAndRevokedAreOneLineNamingTheKey) {
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    TemporaryFolder scratch;
    const std::string unsignedPack = trust_test::CopyDemoPack(scratch, "Plain.pack");
    ProgramResult result = RunPack(machine, unsignedPack);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err,
              "packgate-installer: Refused: Plain.pack is not signed, so nothing tells who made it or "
              "whether it was altered; ask its maker for a signed pack (or, not as root, run it "
              "unchecked with --allow-unsigned)\n");
    EXPECT_TRUE(result.out.empty());

    const trust_test::TestKey key = trust_test::MakeTestKey(scratch, "maker", "Quillet Packs");
    const std::string pack = trust_test::CopyDemoPack(scratch, "Signed.pack");
    trust_test::SignPack(pack, key.pair->secret);
    result = RunPack(machine, pack);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "packgate-installer: Refused: Signed.pack is signed by key " + key.id +
                              " which is not trusted; to trust it, put its public key in " + machine.root() +
                              "/etc/packgate/trusted-keys/ or run with --trust KEY.pub\n");

    result = RunPack(machine, pack, {"--json"});
    EXPECT_EQ(result.exitCode, 2);
    const nlohmann::json report = ParseReport(result);
    EXPECT_EQ(report.size(), 2u);
    EXPECT_EQ(report["exit_code"], 2);
    EXPECT_TRUE(report["error"].get<std::string>().starts_with("Refused: Signed.pack is signed by key " + key.id));

    // Revoked wins over trusted, also over --trust.
    trust_test::InstallKey(machine.root(), "trusted-keys", key.publicPath);
    trust_test::InstallKey(machine.root(), "revoked-keys", key.publicPath);
    result = RunPack(machine, pack, {"--trust", key.publicPath});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "packgate-installer: Refused: Signed.pack is signed by key " + key.id +
                              ", which is revoked (its public key is in " + machine.root() +
                              "/etc/packgate/revoked-keys/); nothing signed by it is run\n");
    EXPECT_FALSE(fs::exists(machine.home() + "/Library/Receipts/Packgate"));
}

TEST(TrustProgram, AllowUnsignedRunsUncheckedOnlyWhenNotRoot) {
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    TemporaryFolder scratch;
    const std::string pack = trust_test::CopyDemoPack(scratch, "Plain.pack");
    const ProgramResult result = RunPack(machine, pack, {"--allow-unsigned"});
    if (geteuid() == 0) {
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "packgate-installer: --allow-unsigned is refused as root: an unsigned pack's "
                              "code never runs as root; sign the pack and trust its key instead\n");
        return;
    }
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("warning: Quillet Storyboard Essentials Pack is not signed: its code will run "
                              "unchecked (--allow-unsigned)"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.out.find("\nThis pack is not signed: its code will run unchecked.\n"), std::string::npos)
        << result.out;
}

TEST(TrustProgram, TamperedSignedPackNamesTheFirstEntryThatDiffers) {
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    TemporaryFolder scratch;
    const trust_test::TestKey key = trust_test::MakeTestKey(scratch, "maker", "Quillet Packs");
    const std::string pack = trust_test::CopyDemoPack(scratch, "Signed.pack");
    trust_test::SignPack(pack, key.pair->secret);
    scratch.Write("Signed.pack/Contents/Payload/Extra.txt", "added after signing\n");
    const ProgramResult result = RunPack(machine, pack, {"--trust", key.publicPath});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "packgate-installer: Refused: Signed.pack was altered after key " + key.id +
                              " signed it: Contents/Payload/Extra.txt is not in the signed manifest\n");
}

// The pack of the issue: its bundle's module replaced by one whose constructor runs on load.
class HostileModule : public ::testing::Test {
  protected:
    void SetUp() override {
        machine_.addMakerHost({});
        pack_ = trust_test::CopyDemoPack(scratch_, "Evil.pack");
    }
    void PutHostileModule() {
        fs::copy_file(trust_test::kHostileModule, pack_ + "/" + kModulePath, fs::copy_options::overwrite_existing);
    }
    packgate_test::FakeMachine machine_;
    TemporaryFolder scratch_;
    std::string pack_;
    // The pack's code runs in the pane's helper, whose HOME is the run's home.
    std::string mark_ = machine_.home() + "/packgate-hostile-mark";
    std::map<std::string, std::string> environment_ = EnglishEnvironment();
};

TEST_F(HostileModule, UnsignedNeverRunsInAnyForm) {
    PutHostileModule();
    const std::string archive = scratch_ / "Evil.pack.tar.gz";
    pack_test::MakeArchive(pack_, "tar.gz", "pack", archive);
    for (const std::string& pack : {pack_, archive}) {
        const ProgramResult result = RunPack(machine_, pack, {}, environment_);
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_FALSE(fs::exists(mark_)) << pack;
        // --check reads the pack for its maker and never loads it either.
        RunProgram(kInstaller, {"--check", pack_}, environment_);
        EXPECT_FALSE(fs::exists(mark_));
    }
}

TEST_F(HostileModule, TamperedSignedPackNeverRunsAndASignedOneWould) {
    const trust_test::TestKey key = trust_test::MakeTestKey(scratch_, "maker", "Quillet Packs");
    trust_test::SignPack(pack_, key.pair->secret);
    PutHostileModule();
    ProgramResult result = RunPack(machine_, pack_, {"--trust", key.publicPath}, environment_);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find(": " + kModulePath + " has "), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(mark_));

    // The mark is no dead check: the same module signed and trusted is loaded, and runs.
    trust_test::SignPack(pack_, key.pair->secret);
    result = RunPack(machine_, pack_, {"--trust", key.publicPath}, environment_);
    EXPECT_TRUE(fs::exists(mark_)) << result.err;
}

TEST(TrustProgram, CheckReportsTheSignatureState) {
    TemporaryFolder scratch;
    const trust_test::TestKey key = trust_test::MakeTestKey(scratch, "maker", "Quillet Packs");
    const std::string pack = trust_test::CopyDemoPack(scratch, "Signed.pack");
    ProgramResult result = RunProgram(kInstaller, {"--check", pack}, EnglishEnvironment());
    EXPECT_EQ(SignatureLine(result.out), "Signature: unsigned");
    EXPECT_EQ(result.exitCode, 0) << result.out;

    trust_test::SignPack(pack, key.pair->secret);
    result = RunProgram(kInstaller, {"--check", pack, "--trust", key.publicPath}, EnglishEnvironment());
    EXPECT_TRUE(SignatureLine(result.out).starts_with("Signature: signed by Quillet Packs (key " + key.id + ") on "))
        << result.out;
    EXPECT_EQ(result.exitCode, 0);
    result = RunProgram(kInstaller, {"--check", pack}, EnglishEnvironment());
    EXPECT_EQ(SignatureLine(result.out), "Signature: signed by key " + key.id + ", which is not trusted here");

    fs::remove(pack + "/Contents/Payload/Storyboard Essentials/ReadMe.txt");
    result = RunProgram(kInstaller, {"--check", pack, "--trust", key.publicPath}, EnglishEnvironment());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(SignatureLine(result.out),
              "Signature: tampered at Contents/Payload/Storyboard Essentials/ReadMe.txt, which is missing");
}

}  // namespace
}  // namespace installer_test
