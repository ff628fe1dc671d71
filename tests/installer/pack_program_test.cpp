// The built program given a PACK: a folder or an archive runs with the pack's title and its
// bundle, --demo runs the built demo pack, and a bad pack is one line and exit status 2.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "fake_machine.h"
#include "installer_program.h"
#include "pack_fixture.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

const std::string kDemoPack = PACKGATE_DEMO_PACK;
// The build signs the demo pack with this key; a run off --demo trusts it with --trust.
const std::string kDemoKey = PACKGATE_DEMO_KEY;
const std::string kDemoTitle = "Quillet Storyboard Essentials Pack";

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ProgramResult RunPack(const packgate_test::FakeMachine& machine, const std::string& pack,
                      const std::string& tmpdir) {
    auto environment = EnglishEnvironment();
    environment["TMPDIR"] = tmpdir;
    return RunProgram(kInstaller,
                      {pack, "--root", machine.root(), "--home", machine.home(), "--choose", "0",
                       "--trust", kDemoKey},
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
    // The demo machine may first say how it suits the pack's required revision.
    auto lines = Lines(text.out);
    if (!lines.empty() && lines[0].starts_with("Demo machine: ")) lines.erase(lines.begin());
    ASSERT_GE(lines.size(), 2u) << text.out;
    EXPECT_EQ(lines[0], "Packgate installer: " + kDemoTitle);
    EXPECT_EQ(lines[1], "Bundle: " + kDemoPack + "/Contents/Plugins/Packgate.bundle");
}

// The demo pack is signed by the build's demo key, which --demo trusts: the report names the
// signer; a bare pane has no pack, so nothing is said of a signature.
TEST(PackProgram, TheDemoPackIsReportedSignedAndABarePaneHasNoSignature) {
    TemporaryFolder scratch;
    const ProgramResult json =
        RunProgram(kInstaller, {"--demo", scratch / "a", "--json"}, EnglishEnvironment());
    const nlohmann::json report = ParseReport(json);
    ASSERT_TRUE(report.contains("signature")) << json.out;
    EXPECT_EQ(report["signature"]["trusted"], true);
    EXPECT_EQ(report["signature"]["signer"], "Packgate demo key");
    const std::string keyId = report["signature"]["key_id"].get<std::string>();
    EXPECT_TRUE(std::regex_match(keyId, std::regex("[0-9A-F]{16}"))) << keyId;
    const ProgramResult text = RunProgram(kInstaller, {"--demo", scratch / "b"}, EnglishEnvironment());
    const std::string line = "\nSigned by Packgate demo key (key " + keyId + ")\n";
    EXPECT_NE(text.out.find(line), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("not signed"), std::string::npos) << text.out;

    const std::string bundle = fs::path(kDemoPack) / "Contents/Plugins/Packgate.bundle";
    const ProgramResult bare = RunProgram(
        kInstaller, {"--bundle", bundle, "--demo", scratch / "c", "--json"}, EnglishEnvironment());
    const nlohmann::json bareReport = ParseReport(bare);
    ASSERT_TRUE(bareReport.contains("signature")) << bare.out;
    EXPECT_TRUE(bareReport["signature"].is_null());
    const ProgramResult bareText =
        RunProgram(kInstaller, {"--bundle", bundle, "--demo", scratch / "d"}, EnglishEnvironment());
    EXPECT_EQ(bareText.out.find("not signed"), std::string::npos) << bareText.out;
    EXPECT_EQ(bareText.out.find("Signed by"), std::string::npos) << bareText.out;
}

// What `make run` does: the scripted demo installs the demo pack, says so, and keeps a
// receipt that the receipt commands find.
TEST(PackProgram, ScriptedDemoInstallsTheDemoPackWithAReceipt) {
    TemporaryFolder scratch;
    const std::string folder = scratch / "demo";
    const ProgramResult run = RunProgram(kInstaller, {"--demo", folder}, EnglishEnvironment());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string templateFolder =
        folder + "/root/Library/Application Support/Velmora/quillet/Template";
    EXPECT_NE(run.out.find(kDemoTitle + " 1.0 was installed into Quillet 5 Studio: 12 files, "),
              std::string::npos) << run.out;
    EXPECT_NE(run.out.find(", in " + templateFolder + "\n"), std::string::npos) << run.out;

    const std::string payload = kDemoPack + "/Contents/Payload";
    const auto shipped = pack_test::FolderContents(payload);
    ASSERT_EQ(pack_test::FolderContents(templateFolder), shipped);
    std::size_t files = 0;
    for (const std::string& name : shipped) {
        if (!fs::is_regular_file(payload + "/" + name)) continue;
        ++files;
        EXPECT_EQ(FileText(templateFolder + "/" + name), FileText(payload + "/" + name)) << name;
    }
    EXPECT_EQ(files, 12u);

    const std::string home = folder + "/home/tester";
    const ProgramResult listed =
        RunProgram(kInstaller, {"--list-installed", "--home", home, "--json"}, EnglishEnvironment());
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const nlohmann::json installed = nlohmann::json::parse(listed.out)["installed"];
    ASSERT_EQ(installed.size(), 1u) << listed.out;
    EXPECT_EQ(installed[0]["destination"], templateFolder);
    EXPECT_EQ(installed[0]["files"], 12);
    EXPECT_TRUE(fs::is_regular_file(installed[0]["receipt"].get<std::string>()));
    const ProgramResult verified = RunProgram(
        kInstaller, {"--verify", installed[0]["identifier"], "--home", home}, EnglishEnvironment());
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
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
