// packgate-pack archive: reproducible archives, read back by Python's tarfile and zipfile,
// verified and opened the way the installer opens them.
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "fake_machine.h"
#include "installer_program.h"
#include "pack_tool_run.h"

namespace packtool_test {
namespace {

namespace fs = std::filesystem;

class PackToolArchive : public ::testing::Test {
  protected:
    // Whether the pack is to be run by the installer, so it needs the built bundle.
    virtual bool runnable() const { return false; }

    void SetUp() override {
        // A name long enough that ustar cannot hold it, so a pax header is written too.
        scratch_.Write("Test.pack-payload/" + std::string(60, 'd') + "/" + std::string(60, 'f') + ".txt", "deep");
        pack_ = CreatePack(scratch_, "Test.pack", runnable());
        ASSERT_EQ(RunPackTool({"sign", pack_, "-s", keys_.secretKey}).exitCode, 0);
    }

    ProgramResult Archive(const std::vector<std::string>& options,
                          const std::map<std::string, std::string>& environment = {}) {
        std::vector<std::string> arguments{"archive", pack_};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return RunPackTool(arguments, environment);
    }

    // Every entry of the pack folder as the archive names it, sorted.
    std::vector<std::string> PackEntries() {
        std::vector<std::string> names{"Test.pack"};
        for (const auto& entry : fs::recursive_directory_iterator(pack_)) {
            names.push_back("Test.pack/" + entry.path().lexically_relative(pack_).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    packgate_test::ScratchFolder scratch_{"pg-archive"};
    KeyFiles keys_ = MakeKeys(scratch_, "acme", "Acme Packs");
    std::string pack_;
};

TEST_F(PackToolArchive, TwoRunsGiveTheSameBytes) {
    for (const std::string format : {"tar.xz", "zip"}) {
        const std::string first = scratch_ / ("first." + format);
        const std::string second = scratch_ / ("second." + format);
        ASSERT_EQ(Archive({"-o", first}, {{"TZ", "America/New_York"}}).exitCode, 0);
        // Times, the time zone and the process differ; the bytes do not.
        utime((pack_ + "/Contents/Info.plist").c_str(), nullptr);
        ASSERT_EQ(Archive({"-o", second}, {{"TZ", "Asia/Tokyo"}}).exitCode, 0);
        EXPECT_EQ(Bytes(first), Bytes(second)) << format;
        EXPECT_GT(Bytes(first).size(), 1000u);
    }
}

TEST_F(PackToolArchive, TarEntriesAreSortedOwnedByRootAndTimedAlike) {
    const ProgramResult written = Archive({}, {{"SOURCE_DATE_EPOCH", "1700000000"}});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(written.err, "");
    const nlohmann::json facts = ArchiveFacts(pack_ + ".tar.xz");
    std::vector<std::string> names;
    for (const auto& entry : facts) {
        names.push_back(entry["name"]);
        EXPECT_EQ(entry["uid"], 0);
        EXPECT_EQ(entry["gid"], 0);
        EXPECT_EQ(entry["uname"], "root");
        EXPECT_EQ(entry["gname"], "root");
        EXPECT_EQ(entry["mtime"], 1700000000);
        // Nothing of the disk beyond names: no extended attributes, times or ids.
        for (const auto& key : entry["pax"]) EXPECT_TRUE(key == "path" || key == "linkpath") << key;
        const std::string onDisk = scratch_ / entry["name"].get<std::string>();
        if (entry["kind"] == "link") {
            EXPECT_EQ(entry["link"], fs::read_symlink(onDisk).string());
        } else {
            EXPECT_EQ(entry["mode"], ModeOf(onDisk)) << entry["name"];
        }
    }
    EXPECT_EQ(names, PackEntries());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

TEST_F(PackToolArchive, ZipEntriesAreSortedWithUtf8NamesAndTheFirstZipTime) {
    ASSERT_EQ(Archive({"--format", "zip"}).exitCode, 0);
    const nlohmann::json facts = ArchiveFacts(pack_ + ".zip");
    std::vector<std::string> names;
    for (const auto& entry : facts) {
        names.push_back(entry["name"]);
        EXPECT_EQ(entry["date_time"], nlohmann::json::array({1980, 1, 1, 0, 0, 0}));
        const std::string onDisk = scratch_ / entry["name"].get<std::string>();
        if (entry["kind"] == "link") {
            EXPECT_EQ(entry["link"], fs::read_symlink(onDisk).string());
        } else {
            EXPECT_EQ(entry["mode"], ModeOf(onDisk)) << entry["name"];
        }
        if (entry["name"].get<std::string>().ends_with("Caf\xC3\xA9.txt")) {
            EXPECT_TRUE(entry["utf8"]);
        }
    }
    EXPECT_EQ(names, PackEntries());
}

class PackToolRunnableArchive : public PackToolArchive {
  protected:
    bool runnable() const override { return true; }
};

TEST_F(PackToolRunnableArchive, ArchivesVerifyAndTheInstallerInstallsThem) {
    const ProgramResult checked = installer_test::RunProgram(
        installer_test::kInstaller, {"--check", pack_, "--trust", keys_.publicKey});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_TRUE(checked.out.starts_with("Signature: signed by Acme Packs (key ")) << checked.out;
    for (const std::string format : {"tar.xz", "zip"}) {
        const std::string archive = pack_ + "." + format;
        ASSERT_EQ(Archive({"-o", archive}).exitCode, 0);
        const ProgramResult verified = RunPackTool({"verify", archive, "-p", keys_.publicKey});
        EXPECT_EQ(verified.exitCode, 0) << verified.err;
        EXPECT_NE(verified.out.find("Signed by Acme Packs"), std::string::npos);

        packgate_test::FakeMachine machine;
        machine.addMakerHost({});
        auto environment = installer_test::EnglishEnvironment();
        environment["TMPDIR"] = scratch_.MakeFolder("tmp-" + format);
        const std::vector<std::string> run{archive, "--root", machine.root(), "--home", machine.home(),
                                           "--choose", "0"};
        // Refused while its key is not trusted, installed once it is.
        const ProgramResult refused = installer_test::RunProgram(installer_test::kInstaller, run, environment);
        EXPECT_EQ(refused.exitCode, 2) << format << ": " << refused.out << refused.err;
        auto trusted = run;
        trusted.insert(trusted.end(), {"--trust", keys_.publicKey});
        const ProgramResult installed = installer_test::RunProgram(installer_test::kInstaller, trusted, environment);
        EXPECT_EQ(installed.exitCode, 0) << format << ": " << installed.out << installed.err;
        EXPECT_EQ(installer_test::Lines(installed.out).at(0), "Packgate installer: Acme Test Pack");
        EXPECT_NE(installed.out.find("Acme Test Pack 2.0 was installed into"), std::string::npos) << installed.out;
    }
}

TEST_F(PackToolArchive, RefusesAPackChangedSinceSigningAndWarnsOfAnUnsignedOne) {
    scratch_.Write("Test.pack/Contents/Payload/Late.txt", "late");
    ProgramResult refused = Archive({});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("it changed since it was signed: Contents/Payload/Late.txt"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(pack_ + ".tar.xz"));

    fs::remove_all(pack_ + "/Contents/Signature");
    const ProgramResult unsignedPack = Archive({});
    EXPECT_EQ(unsignedPack.exitCode, 0);
    EXPECT_NE(unsignedPack.err.find("warning: " + pack_ + " is not signed"), std::string::npos);
}

TEST_F(PackToolArchive, KeepsWhatIsThereAndNeverWritesIntoThePack) {
    scratch_.Write("Taken.zip", "mine");
    ProgramResult refused = Archive({"-o", scratch_ / "Taken.zip"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(Bytes(scratch_ / "Taken.zip"), "mine");
    EXPECT_EQ(Archive({"-o", scratch_ / "Taken.zip", "-f"}).exitCode, 0);
    EXPECT_NE(Bytes(scratch_ / "Taken.zip"), "mine");

    refused = Archive({"-o", pack_ + "/Contents/Payload/Self.tar.xz"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "packgate-pack: the archive cannot be written inside the pack\n");
    refused = Archive({"-o", scratch_ / "Test.tar.gz"});
    EXPECT_EQ(refused.exitCode, 2);
    // Nothing half-written is left beside the outputs.
    for (const auto& entry : fs::directory_iterator(scratch_.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".XXX"), std::string::npos);
        EXPECT_FALSE(entry.path().filename().string().starts_with("Taken.zip."));
    }
}

}  // namespace
}  // namespace packtool_test
