// packgate-pack keygen and the passwords of secret keys, run as a user runs them.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "pack_tool_run.h"
#include "signing/key_id.h"
#include "signing/public_key.h"
#include "signing/secret_key.h"
#include "tmux_session.h"

namespace packtool_test {
namespace {

namespace fs = std::filesystem;

// Sets the file creation mask for the scope (children inherit it).
class Umask {
  public:
    explicit Umask(mode_t mask) : previous_(umask(mask)) {}
    ~Umask() { umask(previous_); }

  private:
    mode_t previous_;
};

TEST(PackToolKeygen, SecretKeyIsForItsOwnerAloneEvenUnderAnOpenMask) {
    packgate_test::ScratchFolder scratch("pg-keygen");
    Umask open(0);
    const KeyFiles keys = MakeKeys(scratch, "acme", "Acme Packs");
    EXPECT_EQ(ModeOf(keys.secretKey), 0600);
    EXPECT_EQ(ModeOf(keys.publicKey) & 022, 0);
    const auto key = signing::ReadPublicKeyFile(keys.publicKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->comment, "Acme Packs");
}

TEST(PackToolKeygen, KeepsExistingKeysUnlessForced) {
    packgate_test::ScratchFolder scratch("pg-keygen");
    const KeyFiles keys = MakeKeys(scratch, "acme", "Acme Packs");
    const std::string secret = Bytes(keys.secretKey);
    const std::string pub = Bytes(keys.publicKey);
    scratch.Write("other.pub", "mine\n");
    for (const std::vector<std::string>& again :
         {std::vector<std::string>{"keygen", "-W", "-p", keys.publicKey, "-s", keys.secretKey},
          {"keygen", "-W", "-p", scratch / "other.pub", "-s", scratch / "new.key"}}) {
        const ProgramResult refused = RunPackTool(again);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_NE(refused.err.find("exists; give -f to replace it"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(Bytes(keys.secretKey), secret);
    EXPECT_EQ(Bytes(keys.publicKey), pub);
    EXPECT_EQ(Bytes(scratch / "other.pub"), "mine\n");
    EXPECT_FALSE(fs::exists(scratch / "new.key"));

    const ProgramResult forced = RunPackTool({"keygen", "-W", "-f", "-p", keys.publicKey, "-s", keys.secretKey});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(Bytes(keys.secretKey), secret);
    EXPECT_EQ(ModeOf(keys.secretKey), 0600);
}

TEST(PackToolKeygen, WrongPasswordSignsNothing) {
    packgate_test::ScratchFolder scratch("pg-keygen");
    auto pair = signing::GenerateKeyPair("Acme");
    ASSERT_TRUE(pair);
    // Cheap scrypt limits keep the test fast; the file's form is minisign's all the same.
    ASSERT_TRUE(signing::WriteSecretKeyFile(scratch / "acme.key", pair->secret, "right", {524288, 16777216}));
    const std::string pack = CreatePack(scratch);
    const ProgramResult wrong = RunPackTool(
        {"sign", pack, "-s", scratch / "acme.key", "--password-file", scratch.Write("wrong", "wrong\n")});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.err, "packgate-pack: wrong password for " + scratch / "acme.key" + "\n");
    EXPECT_FALSE(fs::exists(pack + "/Contents/Signature"));

    // From standard input, for scripts: here /dev/null, an empty password.
    const ProgramResult empty = RunPackTool({"sign", pack, "-s", scratch / "acme.key", "--password-file", "-"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_FALSE(fs::exists(pack + "/Contents/Signature"));

    const ProgramResult right = RunPackTool(
        {"sign", pack, "-s", scratch / "acme.key", "--password-file", scratch.Write("right", "right\r\n")});
    EXPECT_EQ(right.exitCode, 0) << right.err;
    EXPECT_TRUE(fs::exists(pack + "/Contents/Signature/Manifest.plist.minisig"));
}

TEST(PackToolKeygen, RefusesAnEmptyPasswordAndRunsWithoutATerminalOnlyWhenToldHow) {
    packgate_test::ScratchFolder scratch("pg-keygen");
    const std::vector<std::string> keygen{"keygen", "-p", scratch / "a.pub", "-s", scratch / "a.key"};
    auto withEmpty = keygen;
    withEmpty.insert(withEmpty.end(), {"--password-file", scratch.Write("empty", "\n")});
    const ProgramResult empty = RunPackTool(withEmpty);
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.err.find("the password is empty; give -W"), std::string::npos) << empty.err;
    // In a session of its own the program has no terminal to ask on.
    auto detached = keygen;
    detached.insert(detached.begin(), {"-w", kPackTool});
    const ProgramResult noTerminal = RunTool("setsid", detached);
    EXPECT_EQ(noTerminal.exitCode, 1);
    EXPECT_NE(noTerminal.err.find("no terminal to ask for the password on; give it with --password-file FILE"),
              std::string::npos)
        << noTerminal.err;
    EXPECT_FALSE(fs::exists(scratch / "a.key"));
    EXPECT_FALSE(fs::exists(scratch / "a.pub"));
}

TEST(PackToolKeygen, AsksTwiceOnTheTerminalWithoutEchoAndEncryptsWithThatPassword) {
    packgate_test::ScratchFolder scratch("pg-keygen");
    {
        installer_test::Tmux differing(kPackTool, {"keygen", "-p", scratch / "a.pub", "-s", scratch / "a.key"}, 100, 12);
        differing.waitFor({"Password for the new secret key:"});
        differing.type("first secret");
        differing.send("Enter");
        differing.waitFor({"Password (again):"});
        differing.type("second secret");
        differing.send("Enter");
        const std::string screen = differing.waitFor({"EXIT=1"});
        EXPECT_NE(screen.find("the two passwords differ"), std::string::npos) << screen;
        EXPECT_EQ(screen.find("first secret"), std::string::npos) << screen;
        EXPECT_EQ(screen.find("second secret"), std::string::npos) << screen;
        EXPECT_NE(screen.find("TTY=icanon,echo,"), std::string::npos) << screen;
    }
    EXPECT_FALSE(fs::exists(scratch / "a.key"));

    installer_test::Tmux same(kPackTool, {"keygen", "-p", scratch / "a.pub", "-s", scratch / "a.key"}, 100, 12);
    same.waitFor({"Password for the new secret key:"});
    same.type("one secret");
    same.send("Enter");
    same.waitFor({"Password (again):"});
    same.type("one secret");
    same.send("Enter");
    const std::string screen = same.waitFor({"EXIT="});
    EXPECT_NE(screen.find("EXIT=0 TTY=icanon,echo,"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("one secret"), std::string::npos) << screen;
    EXPECT_EQ(ModeOf(scratch / "a.key"), 0600);
    // The one costly step of the tests: the file opens with the typed password (scrypt with
    // minisign's own limits), and it is the key of the public key file.
    const auto key = signing::ReadSecretKeyFile(scratch / "a.key", "one secret");
    ASSERT_TRUE(key.key) << key.reason;
    EXPECT_EQ(signing::KeyIdText(key.key->id()), signing::KeyIdText(signing::ReadPublicKeyFile(scratch / "a.pub")->id));
}

}  // namespace
}  // namespace packtool_test
