// The demo pack the build signs, and the demo key it signs with.
#include <filesystem>

#include <gtest/gtest.h>

#include "pack_tool_run.h"

namespace packtool_test {
namespace {

namespace fs = std::filesystem;

const std::string kDemoPack = PACKGATE_DEMO_PACK;
const std::string kDemoPublicKey = PACKGATE_DEMO_KEY;
const std::string kDemoKey = PACKGATE_DEMO_SECRET_KEY;
const std::string kBuildFolder = PACKGATE_BUILD_FOLDER;
const std::string kSourceFolder = PACKGATE_SOURCE_FOLDER;

TEST(DemoPack, VerifiesAgainstTheDemoPublicKeyBesideIt) {
    EXPECT_EQ(fs::path(kDemoPublicKey).parent_path(), fs::path(kDemoPack).parent_path());
    const ProgramResult verified = RunPackTool({"verify", kDemoPack, "-p", kDemoPublicKey});
    EXPECT_EQ(verified.exitCode, 0) << verified.err;
    EXPECT_TRUE(verified.out.starts_with("Signed by Packgate demo key (key ")) << verified.out;
    const ProgramResult checked = RunTool(
        "minisign", {"-Vm", kDemoPack + "/Contents/Signature/Manifest.plist", "-p", kDemoPublicKey, "-x",
                     kDemoPack + "/Contents/Signature/Manifest.plist.minisig"});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find("identifier:com.quillet.pack.storyboard-essentials\tversion:1.0"),
              std::string::npos)
        << checked.out;
}

TEST(DemoPack, ItsSecretKeyStaysInTheBuildFolderForItsOwnerAlone) {
    EXPECT_EQ(ModeOf(kDemoKey), 0600);
    EXPECT_TRUE(kDemoKey.starts_with(kBuildFolder + "/"));
    // Not among the sources, not in the pack, not where the installer trusts keys by itself.
    for (const char* folder : {"resources", "installer", "packtool", "signing"}) {
        for (const auto& entry : fs::recursive_directory_iterator(kSourceFolder + "/" + folder)) {
            const std::string name = entry.path().filename();
            EXPECT_FALSE(name.ends_with(".key") || name == "Demo.pub") << entry.path();
        }
    }
    for (const auto& entry : fs::recursive_directory_iterator(kDemoPack)) {
        if (fs::is_regular_file(fs::symlink_status(entry.path()))) {
            EXPECT_NE(Bytes(entry.path()), Bytes(kDemoKey)) << entry.path();
        }
    }
    EXPECT_FALSE(fs::exists("/etc/packgate/trusted-keys/Demo.pub"));
}

}  // namespace
}  // namespace packtool_test
