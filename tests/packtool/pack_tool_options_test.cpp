// The command line of packgate-pack, read in process.
#include "packtool/pack_tool_options.h"

#include <gtest/gtest.h>

#include "packtool/reproducible_archive.h"

namespace packtool_test {
namespace {

using packtool::ArchiveFormat;
using packtool::PackCommand;

packtool::ParsedPackToolOptions Parse(std::vector<std::string> arguments) {
    return packtool::ParsePackToolOptions(arguments);
}

// The error of a refused command line; fails the test when it was accepted.
std::string Refusal(std::vector<std::string> arguments) {
    const auto parsed = Parse(arguments);
    EXPECT_FALSE(parsed.options) << "accepted: " << ::testing::PrintToString(arguments);
    return parsed.error;
}

TEST(PackToolOptions, ReadsEachCommandWithItsOwnOptions) {
    auto parsed = Parse({"keygen", "-p", "a.pub", "--secret-key=a.key", "-c", "Acme Packs", "-W", "-f"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->command, PackCommand::Keygen);
    EXPECT_EQ(parsed.options->publicKeyPath, "a.pub");
    EXPECT_EQ(parsed.options->secretKeyPath, "a.key");
    EXPECT_EQ(parsed.options->comment, "Acme Packs");
    EXPECT_TRUE(parsed.options->noPassword);
    EXPECT_TRUE(parsed.options->force);

    parsed = Parse({"create", "X.pack", "--payload", "p", "-i", "com.x", "--version", "1.2",
                    "--title=X Pack", "--bundle", "b"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->packPath, "X.pack");
    EXPECT_EQ(parsed.options->packVersion, "1.2");
    EXPECT_EQ(parsed.options->title, "X Pack");
    EXPECT_EQ(parsed.options->bundlePath, "b");
    EXPECT_FALSE(parsed.options->version);

    parsed = Parse({"archive", "X.pack", "--format=zip", "-o", "out.bin"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->format, ArchiveFormat::Zip);
    EXPECT_EQ(parsed.options->outputPath, "out.bin");

    parsed = Parse({"sign", "X.pack", "-s", "a.key", "--password-file", "-"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->passwordFile, "-");
    EXPECT_EQ(Parse({"verify", "X.pack.zip", "-p", "a.pub"}).options->command, PackCommand::Verify);
}

TEST(PackToolOptions, NamesWhatACommandNeeds) {
    EXPECT_EQ(Refusal({}), "a command is needed: keygen, create, sign, verify or archive");
    EXPECT_EQ(Refusal({"keygen", "-p", "a.pub"}), "keygen needs -s SECRET-KEY-FILE");
    EXPECT_EQ(Refusal({"create", "X.pack", "--payload", "p", "-i", "x", "--version", "1"}),
              "create needs --title TITLE");
    EXPECT_EQ(Refusal({"sign", "-s", "a.key"}), "sign needs a PACK folder");
    EXPECT_EQ(Refusal({"verify", "X.pack"}), "verify needs -p PUBLIC-KEY-FILE");
    EXPECT_EQ(Refusal({"archive"}), "archive needs a PACK folder");
}

TEST(PackToolOptions, RefusesOptionsOfAnotherCommandAndUnknownOnes) {
    EXPECT_EQ(Refusal({"sign", "X.pack", "-s", "k", "--payload", "p"}), "sign does not take --payload");
    EXPECT_EQ(Refusal({"verify", "X.pack", "-p", "k", "-W"}), "verify does not take -W");
    EXPECT_EQ(Refusal({"-p", "k", "verify", "X.pack"}), "-p belongs after a command");
    EXPECT_EQ(Refusal({"unpack", "X.pack"}), "unknown command \"unpack\"");
    EXPECT_EQ(Refusal({"archive", "X.pack", "--fast"}), "unknown argument \"--fast\"");
    EXPECT_EQ(Refusal({"archive", "X.pack", "Y.pack"}), "only one PACK can be given");
}

TEST(PackToolOptions, RefusesBadValuesAndWhatCannotGoTogether) {
    EXPECT_EQ(Refusal({"archive", "X.pack", "--format", "tar.gz"}), "--format is tar.xz or zip, not \"tar.gz\"");
    EXPECT_EQ(Refusal({"archive", "X.pack", "-o"}), "-o needs a value");
    EXPECT_EQ(Refusal({"archive", "X.pack", "--output="}), "--output needs a non-empty value");
    EXPECT_EQ(Refusal({"archive", "X.pack", "--force=yes"}), "--force takes no value");
    EXPECT_EQ(Refusal({"verify", "X.pack", "-p", "a", "-p", "b"}), "-p is given twice");
    EXPECT_EQ(Refusal({"keygen", "-p", "k", "-s", "s", "-W", "--password-file", "f"}),
              "-W and --password-file cannot be used together");
    EXPECT_EQ(Refusal({"keygen", "-p", "k", "-s", "k"}), "the public and secret key files must differ");
    EXPECT_EQ(Refusal({"keygen", "X.pack", "-p", "k", "-s", "s"}), "keygen takes no PACK");
    EXPECT_EQ(Refusal({"create", "X.pack", "--version"}), "--version needs a value");
}

TEST(PackToolOptions, HelpNeedsNothingElseAndVersionComesBeforeACommand) {
    EXPECT_TRUE(Parse({"--help"}).options->help);
    EXPECT_TRUE(Parse({"sign", "--help"}).options->help);
    EXPECT_TRUE(Parse({"-V"}).options->version);
    EXPECT_EQ(Refusal({"sign", "-V"}), "sign does not take -V");
}

TEST(PackToolOptions, ArchiveFormatsByNameAndFileEnding) {
    EXPECT_EQ(packtool::ArchiveFormatOfName("a/X.pack.tar.xz"), ArchiveFormat::TarXz);
    EXPECT_EQ(packtool::ArchiveFormatOfName("X.txz"), ArchiveFormat::TarXz);
    EXPECT_EQ(packtool::ArchiveFormatOfName("X.pack.zip"), ArchiveFormat::Zip);
    EXPECT_FALSE(packtool::ArchiveFormatOfName("X.pack.tar.gz"));
    EXPECT_FALSE(packtool::ArchiveFormatNamed("xz"));
}

TEST(PackToolOptions, EntryTimeIsWholeNonNegativeSeconds) {
    EXPECT_EQ(packtool::EntryTimeFrom("1700000000"), 1700000000);
    EXPECT_EQ(packtool::EntryTimeFrom("0"), 0);
    for (const char* bad : {"", "-1", "12x", " 5", "1.5", "99999999999999999999"}) {
        EXPECT_FALSE(packtool::EntryTimeFrom(bad)) << bad;
    }
    EXPECT_FALSE(packtool::EntryTimeFrom(nullptr));
}

}  // namespace
}  // namespace packtool_test
