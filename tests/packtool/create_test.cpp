// packgate-pack create: a pack folder the installer opens, or nothing at all.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "installer/pack/pack_folder.h"
#include "installer_program.h"
#include "pack_tool_run.h"

namespace packtool_test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> CreateArguments(const std::string& pack, const std::string& payload) {
    return {"create", pack, "--payload", payload, "--identifier", "com.acme.pack.test",
            "--version", "2.0", "--title", "Acme Test Pack"};
}

// The names in `folder` (not below it).
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PackToolCreate, MakesAPackTheInstallerOpensWithTheBuiltBundle) {
    packgate_test::ScratchFolder scratch("pg-create");
    const std::string payload = MakePayload(scratch);
    // No --bundle: the program finds the built bundle beside the build folder, as the installer does.
    const ProgramResult made = RunPackTool(CreateArguments(scratch / "Test.pack", payload));
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(installer_test::Lines(made.out).at(0),
              "Made " + scratch / "Test.pack" + ": Acme Test Pack (com.acme.pack.test 2.0), 5 payload files.");

    const installer::PackOpening opened = installer::OpenPackFolder(scratch / "Test.pack", "Test.pack");
    ASSERT_TRUE(opened.pack) << opened.error;
    EXPECT_EQ(opened.pack->identity.identifier, "com.acme.pack.test");
    EXPECT_EQ(opened.pack->identity.version, "2.0");
    EXPECT_EQ(opened.pack->identity.title, "Acme Test Pack");
    const std::string bundle = scratch / "Test.pack/Contents/Plugins/Packgate.bundle";
    EXPECT_EQ(Bytes(bundle + "/Contents/MacOS/Packgate"), Bytes(installer_test::kBundle + "/Contents/MacOS/Packgate"));
    for (const auto& entry : fs::recursive_directory_iterator(installer_test::kBundle)) {
        const std::string copy = bundle + "/" + entry.path().lexically_relative(installer_test::kBundle).string();
        const bool link = fs::is_symlink(entry.path());
        EXPECT_EQ(fs::is_symlink(copy), link) << copy;
        if (link) {
            EXPECT_EQ(fs::read_symlink(copy), fs::read_symlink(entry.path()));
        }
    }
    const std::string copied = scratch / "Test.pack/Contents/Payload/Templates";
    EXPECT_EQ(Bytes(copied + "/Storyboard.qtpl"), std::string(70000, 's'));
    EXPECT_EQ(ModeOf(copied + "/convert.sh"), 0755);
    EXPECT_EQ(ModeOf(copied + "/private.txt"), 0600);
    // Only the pack itself is left beside it.
    EXPECT_EQ(Names(scratch.path()), (std::vector<std::string>{"Test.pack", "payload"}));

    const ProgramResult checked = installer_test::RunProgram(installer_test::kInstaller, {"--check", scratch / "Test.pack"});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
}

TEST(PackToolCreate, RefusesWhatTheInstallerWouldRefuseAndLeavesNothing) {
    packgate_test::ScratchFolder scratch("pg-create");
    const std::string payload = MakePayload(scratch);
    ASSERT_EQ(symlink("Readme.txt", (payload + "/Link.txt").c_str()), 0);
    ProgramResult refused = RunPackTool(CreateArguments(scratch / "Test.pack", payload));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("Link.txt"), std::string::npos) << refused.err;
    EXPECT_EQ(Names(scratch.path()), (std::vector<std::string>{"payload"}));
    fs::remove(payload + "/Link.txt");

    refused = RunPackTool(CreateArguments(scratch / "Test", payload));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("ends in .pack"), std::string::npos);
    refused = RunPackTool(CreateArguments(payload + "/Inside.pack", payload));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("cannot be made inside"), std::string::npos);
    auto badTitle = CreateArguments(scratch / "Test.pack", payload);
    badTitle.back() = "Two\nLines";
    refused = RunPackTool(badTitle);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "packgate-pack: --title may not hold control characters\n");
    auto spaced = CreateArguments(scratch / "Test.pack", payload);
    spaced[5] = "com acme";
    EXPECT_EQ(RunPackTool(spaced).exitCode, 2);
    auto noBundle = CreateArguments(scratch / "Test.pack", payload);
    noBundle.insert(noBundle.end(), {"--bundle", payload});
    refused = RunPackTool(noBundle);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("is not a built Packgate.bundle"), std::string::npos);
    EXPECT_EQ(Names(scratch.path()), (std::vector<std::string>{"payload"}));
}

TEST(PackToolCreate, ReplacesAnExistingPackOnlyWhenForced) {
    packgate_test::ScratchFolder scratch("pg-create");
    const std::string payload = MakePayload(scratch);
    ASSERT_EQ(RunPackTool(CreateArguments(scratch / "Test.pack", payload)).exitCode, 0);
    scratch.Write("Test.pack/Contents/Payload/Old.txt", "from before");
    const ProgramResult refused = RunPackTool(CreateArguments(scratch / "Test.pack", payload));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(fs::exists(scratch / "Test.pack/Contents/Payload/Old.txt"));

    auto forced = CreateArguments(scratch / "Test.pack/", payload);
    forced.push_back("-f");
    const ProgramResult replaced = RunPackTool(forced);
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_FALSE(fs::exists(scratch / "Test.pack/Contents/Payload/Old.txt"));
    EXPECT_TRUE(fs::exists(scratch / "Test.pack/Contents/Payload/Readme.txt"));
    EXPECT_EQ(Names(scratch.path()), (std::vector<std::string>{"Test.pack", "payload"}));
}

}  // namespace
}  // namespace packtool_test
