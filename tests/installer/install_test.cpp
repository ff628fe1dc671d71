// cmake --install into a temporary prefix; the installed program finds the installed bundle
// and runs the demo machine.
#include <gtest/gtest.h>

#include <filesystem>

#include "installer_program.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

TEST(InstalledProgram, FindsTheInstalledBundleAndRunsTheDemo) {
    TemporaryFolder prefix;
    const ProgramResult install = RunProgram(
        PACKGATE_CMAKE,
        {"--install", PACKGATE_BUILD_DIR, "--prefix", prefix.path(), "--component", "installer"});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

    const std::string program = prefix.path() + "/bin/packgate-installer";
    const std::string bundle = prefix.path() + "/lib/packgate/Packgate.bundle";
    ASSERT_TRUE(fs::is_regular_file(program));
    // Its manual page, which man can format.
    const std::string page = prefix.path() + "/share/man/man1/packgate-installer.1";
    ASSERT_TRUE(fs::is_regular_file(page));
    if (fs::exists("/usr/bin/groff")) {
        const ProgramResult shown = RunProgram("/usr/bin/groff", {"-man", "-Tutf8", "-ww", page});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_TRUE(shown.err.empty()) << shown.err;
        EXPECT_NE(shown.out.find("143"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_regular_file(bundle + "/Contents/MacOS/Packgate"));
    EXPECT_TRUE(fs::is_regular_file(bundle + "/Contents/Info.plist"));
    EXPECT_TRUE(fs::is_symlink(bundle + "/Contents/dylib/libcipherkit.so.1"));
    EXPECT_TRUE(fs::exists(bundle + "/Contents/dylib/libcipherkit.so.1"));

    const std::string demo = prefix.path() + "/demo";
    const ProgramResult run = RunProgram(program, {"--demo", demo, "--json"}, EnglishEnvironment());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    nlohmann::json report = ParseReport(run);
    // Without a PACK the demo runs the installed demo pack, whose bundle is a copy of the pane's.
    const std::string demoPack = prefix.path() + "/lib/packgate/Demo.pack";
    EXPECT_EQ(report["bundle"], demoPack + "/Contents/Plugins/Packgate.bundle");
    EXPECT_EQ(fs::read_symlink(demoPack + "/Contents/Plugins/Packgate.bundle/Contents/dylib/"
                               "libcipherkit.so.1"),
              fs::read_symlink(bundle + "/Contents/dylib/libcipherkit.so.1"));
    EXPECT_EQ(report["rows"].size(), 2u);
    EXPECT_TRUE(fs::exists(report["handoff"]["path"].get<std::string>()));
}

}  // namespace
}  // namespace installer_test
