// A bundle that cannot be used makes packgate-installer say so in one line and exit with 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "foundation/plist_read.h"
#include "foundation/plist_write.h"
#include "installer_program.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

// A copy of the built bundle in a temporary folder, links kept as links.
std::string CopyBundle(const TemporaryFolder& scratch) {
    const std::string copy = scratch.path() + "/Packgate.bundle";
    fs::copy(kBundle, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return copy;
}

void SetPrincipalClass(const std::string& bundle, const std::string& name) {
    const std::string info = bundle + "/Contents/Info.plist";
    auto dict = foundation::DictionaryWithContentsOfFile(info);
    ASSERT_TRUE(dict);
    dict->set("NSPrincipalClass", name);
    ASSERT_TRUE(foundation::WriteDictionaryToFile(*dict, info, true));
}

// The program with `bundle` on a machine with one good copy, choosing it.
ProgramResult RunWithBundle(const std::string& bundle, const packgate_test::FakeMachine& machine) {
    return RunProgram(
        kInstaller,
        {"--bundle", bundle, "--root", machine.root(), "--home", machine.home(), "--choose", "0"},
        EnglishEnvironment());
}

struct Breakage {
    std::string name;
    std::function<void(const std::string& bundle)> apply;
    std::string reason;  // Part of the one line that says what is wrong.
};

class BrokenBundle : public ::testing::TestWithParam<Breakage> {};

TEST_P(BrokenBundle, IsOneLineOnStandardErrorAndExitCodeOne) {
    TemporaryFolder scratch;
    const std::string bundle = CopyBundle(scratch);
    GetParam().apply(bundle);
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    const ProgramResult result = RunWithBundle(bundle, machine);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1);
    const auto lines = Lines(result.err);
    ASSERT_EQ(lines.size(), 1u) << result.err;
    EXPECT_TRUE(lines[0].starts_with("packgate-installer: " + bundle)) << lines[0];
    EXPECT_NE(lines[0].find(GetParam().reason), std::string::npos) << lines[0];
    EXPECT_TRUE(result.out.empty()) << result.out;
    EXPECT_FALSE(fs::exists(machine.handoffListPath()));
}

void Remove(const std::string& path) {
    fs::remove_all(path);
}

void Overwrite(const std::string& path, const std::string& text) {
    fs::remove(path);
    std::ofstream(path) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Installer, BrokenBundle,
    ::testing::Values(
        Breakage{"NoBundleFolder", [](const std::string& b) { Remove(b); }, "no bundle folder"},
        Breakage{"NoInfoPlist", [](const std::string& b) { Remove(b + "/Contents/Info.plist"); },
                 "Info.plist is missing"},
        Breakage{"InfoPlistNotAPropertyList",
                 [](const std::string& b) { Overwrite(b + "/Contents/Info.plist", "<plist"); },
                 "Info.plist is missing or unreadable"},
        Breakage{"NoExecutable",
                 [](const std::string& b) { Remove(b + "/Contents/MacOS/Packgate"); },
                 "no executable at Contents/MacOS/Packgate"},
        Breakage{"WrongPrincipalClass",
                 [](const std::string& b) { SetPrincipalClass(b, "SomeOtherPane"); },
                 "no principal class \"SomeOtherPane\""},
        Breakage{
            "ModuleNotLoadable",
            [](const std::string& b) { Overwrite(b + "/Contents/MacOS/Packgate", "not a module"); },
            "cannot load Contents/MacOS/Packgate"},
        Breakage{"ModuleMissesALibraryOfTheBundle",
                 [](const std::string& b) { Remove(b + "/Contents/dylib/libcipherkit.so.1"); },
                 "libcipherkit.so.1"},
        Breakage{"ModuleLacksTheEntryPoint",
                 [](const std::string& b) {
                     fs::remove(b + "/Contents/MacOS/Packgate");
                     fs::copy_file(PACKGATE_NO_ENTRY_MODULE, b + "/Contents/MacOS/Packgate");
                 },
                 "no entry point PackgateCreatePane"}),
    [](const ::testing::TestParamInfo<Breakage>& test) { return test.param.name; });

TEST(PackgateBundleCopy, RunsFromACopyInAnotherFolder) {
    TemporaryFolder scratch;
    const std::string bundle = CopyBundle(scratch);
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    const ProgramResult result = RunWithBundle(bundle, machine);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(machine.handoffListPath()));
}

}  // namespace
}  // namespace installer_test
