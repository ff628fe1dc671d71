// The built program given a PACK: a folder or an archive runs with the pack's title and its
// bundle, --demo runs the built demo pack, and a bad pack is one line and exit status 2.
#include <gtest/gtest.h>

#include <string>

#include "fake_machine.h"
#include "installer_program.h"
#include "pack_fixture.h"

namespace installer_test {
namespace {

const std::string kDemoPack = PACKGATE_DEMO_PACK;
const std::string kDemoTitle = "Quillet Storyboard Essentials Pack";

ProgramResult RunPack(const packgate_test::FakeMachine& machine, const std::string& pack,
                      const std::string& tmpdir) {
    auto environment = EnglishEnvironment();
    environment["TMPDIR"] = tmpdir;
    return RunProgram(kInstaller,
                      {pack, "--root", machine.root(), "--home", machine.home(), "--choose", "0"},
                      environment);
}

TEST(PackProgram, FolderAndArchivePacksRunWithTheirTitleAndBundle) {
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    TemporaryFolder scratch;
    const std::string tmpdir = scratch.MakeFolder("tmp");
    const std::string archive = scratch / "Demo.pack.tar.gz";
    pack_test::MakeArchive(kDemoPack, "tar.gz", "pack", archive);
    for (const std::string& pack : {kDemoPack, archive}) {
        const ProgramResult result = RunPack(machine, pack, tmpdir);
        EXPECT_EQ(result.exitCode, 0) << pack << "\n" << result.err;
        const auto lines = Lines(result.out);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "Packgate installer: " + kDemoTitle);
        EXPECT_TRUE(lines[1].starts_with("Bundle: ")) << lines[1];
        EXPECT_TRUE(lines[1].ends_with("Demo.pack/Contents/Plugins/Packgate.bundle")) << lines[1];
        EXPECT_EQ(pack == archive, lines[1].starts_with("Bundle: " + tmpdir + "/packgate-pack-"));
        EXPECT_TRUE(pack_test::FolderContents(tmpdir).empty()) << "left behind by " << pack;
    }
}

TEST(PackProgram, DemoRunsTheBuiltDemoPack) {
    TemporaryFolder scratch;
    const std::string folder = scratch / "demo";
    const ProgramResult result = RunProgram(kInstaller, {"--demo", folder, "--json"}, EnglishEnvironment());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json report = ParseReport(result);
    EXPECT_EQ(report["demo"]["folder"], folder);
    const ProgramResult text = RunProgram(kInstaller, {"--demo", folder}, EnglishEnvironment());
    // The demo's first line says what it fitted to the pack; the report follows.
    const auto lines = Lines(text.out);
    ASSERT_GE(lines.size(), 3u) << text.out;
    EXPECT_TRUE(lines[0].starts_with("Demo machine: ")) << lines[0];
    EXPECT_EQ(lines[1], "Packgate installer: " + kDemoTitle);
    EXPECT_EQ(lines[2], "Bundle: " + kDemoPack + "/Contents/Plugins/Packgate.bundle");
}

TEST(PackProgram, BadPacksAreOneLineAndBadUsage) {
    packgate_test::FakeMachine machine;
    TemporaryFolder scratch;
    const std::string tmpdir = scratch.MakeFolder("tmp");
    const std::string archive = scratch / "evil.tar";
    nlohmann::json entries = pack_test::SoundEntries();
    entries.push_back({{"name", "Hostile.pack/Contents/Plugins/x"}, {"type", "symlink"},
                       {"target", "/etc"}});
    pack_test::MakeEntriesArchive("tar", archive, entries);
    ProgramResult result = RunPack(machine, archive, tmpdir);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "packgate-installer: " + archive +
                              ": refused the entry \"Hostile.pack/Contents/Plugins/x\": it is a "
                              "link that points outside the pack; nothing was unpacked\n");
    EXPECT_TRUE(result.out.empty());
    EXPECT_TRUE(pack_test::FolderContents(tmpdir).empty());

    result = RunPack(machine, scratch / "missing.pack", tmpdir);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "packgate-installer: " + scratch / "missing.pack" + ": no such pack\n");

    result = RunProgram(kInstaller, {kDemoPack, "--bundle", kBundle}, EnglishEnvironment());
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.starts_with("packgate-installer: --bundle runs a bare pane")) << result.err;
}

}  // namespace
}  // namespace installer_test
