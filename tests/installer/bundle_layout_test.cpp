// The assembled Packgate.bundle: its files, the module's one export, its libraries and how
// it finds them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "foundation/plist_read.h"
#include "installer_program.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

const std::string kContents = kBundle + "/Contents";

// What a command printed on its standard output.
std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    pclose(pipe);
    return out;
}

TEST(PackgateBundleLayout, HoldsInfoExecutableAndResources) {
    const auto info = foundation::DictionaryWithContentsOfFile(kContents + "/Info.plist");
    ASSERT_TRUE(info);
    EXPECT_EQ(foundation::StringForKey(&*info, "NSPrincipalClass"), "PackgatePane");
    EXPECT_EQ(foundation::StringForKey(&*info, "CFBundleExecutable"), "Packgate");
    EXPECT_TRUE(fs::is_regular_file(kContents + "/MacOS/Packgate"));
    EXPECT_TRUE(fs::is_regular_file(kContents + "/Resources/SetupSRC.plist"));
    EXPECT_TRUE(fs::is_regular_file(kContents + "/Resources/PackgatePane.view"));
    // Every language of the sources is in the bundle.
    const fs::path sources = fs::path(PACKGATE_SOURCE_RESOURCES);
    std::size_t languages = 0;
    for (const auto& entry : fs::directory_iterator(sources)) {
        if (entry.path().extension() != ".lproj") continue;
        ++languages;
        const fs::path table = entry.path().filename() / "Localizable.strings";
        EXPECT_TRUE(fs::is_regular_file(kContents + "/Resources/" + table.string())) << table;
    }
    EXPECT_GE(languages, 1u);
}

TEST(PackgateBundleLayout, ModuleExportsOnlyItsEntryPoint) {
    const std::string out =
        CommandOutput("nm -D --defined-only '" + kContents + "/MacOS/Packgate' 2>&1");
    std::vector<std::string> symbols;
    for (const std::string& line : Lines(out)) {
        const std::size_t space = line.rfind(' ');
        if (!line.empty()) symbols.push_back(line.substr(space + 1));
    }
    EXPECT_EQ(symbols, std::vector<std::string>{"PackgateCreatePane"}) << out;
}

TEST(PackgateBundleLayout, ModuleNeedsBothLibrariesAndLooksBesideItsFolder) {
    const std::string out = CommandOutput("readelf -d '" + kContents + "/MacOS/Packgate'");
    EXPECT_NE(out.find("[libcipherkit.so.1]"), std::string::npos) << out;
    EXPECT_NE(out.find("[libhostmark.so.1]"), std::string::npos) << out;
    EXPECT_NE(out.find("[libsetupnet.so"), std::string::npos) << out;
    EXPECT_NE(out.find("[libmachinetag.so"), std::string::npos) << out;
    EXPECT_NE(out.find("[$ORIGIN/../dylib]"), std::string::npos) << out;
}

TEST(PackgateBundleLayout, CarriesTheShippedLibrariesNeverATestBuild) {
    const std::string needed = CommandOutput("readelf -d '" + kContents + "/MacOS/Packgate'");
    EXPECT_EQ(needed.find("testing"), std::string::npos) << needed;
    for (const auto& entry : fs::directory_iterator(kContents + "/dylib")) {
        EXPECT_EQ(entry.path().filename().string().find("testing"), std::string::npos)
            << entry.path();
    }
    const std::string exported =
        CommandOutput("nm -D --defined-only '" + kContents + "/dylib/libsetupnet.so' 2>&1");
    EXPECT_NE(exported.find("SendHttpRequest"), std::string::npos) << exported;
    EXPECT_EQ(exported.find("SetupNetTestSetTLS"), std::string::npos) << "a test hook shipped";
}

TEST(PackgateBundleLayout, LibrariesComeWithTheirSonameLinks) {
    for (const std::string name : {"libcipherkit.so", "libhostmark.so"}) {
        const fs::path link = kContents + "/dylib/" + name + ".1";
        ASSERT_TRUE(fs::is_symlink(link)) << link;
        const fs::path target = fs::read_symlink(link);
        EXPECT_EQ(target.parent_path(), fs::path()) << "a link inside the folder: " << target;
        EXPECT_TRUE(fs::is_regular_file(link.parent_path() / target)) << target;
        EXPECT_TRUE(fs::is_symlink(kContents + "/dylib/" + name));
        EXPECT_TRUE(fs::exists(kContents + "/dylib/" + name));
    }
    for (const std::string name : {"libsetupnet.so", "libmachinetag.so"}) {
        EXPECT_TRUE(fs::exists(kContents + "/dylib/" + name)) << name;
    }
}

// The bundle is installed elsewhere than it was built: no library of it may look for its
// neighbours in the build folder; those that need a search path look beside themselves.
TEST(PackgateBundleLayout, LibrariesSearchOnlyTheirOwnFolder) {
    std::size_t withPath = 0;
    for (const auto& entry : fs::directory_iterator(kContents + "/dylib")) {
        if (entry.is_symlink()) continue;
        const std::string out = CommandOutput("readelf -d '" + entry.path().string() + "'");
        for (const std::string& line : Lines(out)) {
            if (line.find("(RUNPATH)") == std::string::npos &&
                line.find("(RPATH)") == std::string::npos) {
                continue;
            }
            ++withPath;
            EXPECT_NE(line.find("[$ORIGIN]"), std::string::npos) << entry.path() << ": " << line;
        }
    }
    // libmachinetag and libsetupnet need libcipherkit beside them.
    EXPECT_GE(withPath, 2u);
}

}  // namespace
}  // namespace installer_test
