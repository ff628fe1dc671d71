// The command line of packgate-installer.
#include "installer/options.h"

#include <gtest/gtest.h>

namespace installer_test {
namespace {

using installer::ParseOptions;

installer::ParsedOptions Parse(std::vector<std::string> arguments) {
    return ParseOptions(arguments);
}

TEST(InstallerOptions, ReadsValuesAfterTheOptionOrAfterAnEqualsSign) {
    const auto parsed = Parse({"--root", "/m", "--home=/h", "--log", "-", "--bundle=/b", "--json"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->root, "/m");
    EXPECT_EQ(parsed.options->home, "/h");
    EXPECT_EQ(parsed.options->logPath, "-");
    EXPECT_EQ(parsed.options->bundlePath, "/b");
    EXPECT_TRUE(parsed.options->json);
    EXPECT_TRUE(parsed.options->scripted());
}

TEST(InstallerOptions, NothingAskedIsNotScripted) {
    const auto parsed = Parse({});
    ASSERT_TRUE(parsed.options);
    EXPECT_FALSE(parsed.options->scripted());
    EXPECT_FALSE(parsed.options->demo);
}

TEST(InstallerOptions, ChooseTakesOnlyARowNumber) {
    EXPECT_EQ(Parse({"--choose", "3"}).options->chooseRow, 3u);
    for (const char* bad : {"x", "-1", "1x", "", "99999999999999999999999"}) {
        EXPECT_FALSE(Parse({"--choose", bad}).options) << bad;
    }
    EXPECT_FALSE(Parse({"--choose"}).options);
}

TEST(InstallerOptions, DemoTakesAnOptionalFolder) {
    auto parsed = Parse({"--demo"});
    ASSERT_TRUE(parsed.options);
    EXPECT_TRUE(parsed.options->demo);
    EXPECT_FALSE(parsed.options->demoFolder);
    parsed = Parse({"--demo", "/tmp/d", "--json"});
    EXPECT_EQ(parsed.options->demoFolder, "/tmp/d");
    parsed = Parse({"--demo", "--json"});
    EXPECT_FALSE(parsed.options->demoFolder);
    EXPECT_TRUE(parsed.options->json);
    EXPECT_EQ(Parse({"--demo=/tmp/e"}).options->demoFolder, "/tmp/e");
}

TEST(InstallerOptions, RefusesWhatCannotGoTogetherOrIsUnknown) {
    EXPECT_FALSE(Parse({"--choose", "1", "--choose-title", "A"}).options);
    EXPECT_FALSE(Parse({"--demo", "--home", "/h"}).options);
    // The local inbox route is the demo machine's only, and needs its port and certificate.
    EXPECT_FALSE(Parse({"--demo-inbox", "4443", "--demo-inbox-ca", "/c.pem"}).options);
    EXPECT_FALSE(Parse({"--demo", "--demo-inbox", "4443"}).options);
    EXPECT_FALSE(Parse({"--demo", "--demo-inbox", "0", "--demo-inbox-ca", "/c.pem"}).options);
    EXPECT_EQ(Parse({"--demo", "--demo-inbox", "4443", "--demo-inbox-ca", "/c.pem"}).options->demoInboxPort, 4443);
    EXPECT_FALSE(Parse({"--nope"}).options);
    EXPECT_FALSE(Parse({"one.pack", "two.pack"}).options);
    EXPECT_FALSE(Parse({"one.pack", "--bundle", "/b"}).options);
    EXPECT_EQ(Parse({"--json", "one.pack"}).options->packPath, "one.pack");
    EXPECT_FALSE(Parse({"--back=1"}).options);
    EXPECT_FALSE(Parse({"--root", ""}).options);
    EXPECT_FALSE(Parse({"--gui", "--terminal"}).options);
    EXPECT_FALSE(Parse({"--gui", "--json"}).options);
    EXPECT_FALSE(Parse({"--gui", "--choose", "0"}).options);
    EXPECT_TRUE(Parse({"--terminal", "--json"}).options);
    const auto parsed = Parse({"--nope"});
    EXPECT_NE(parsed.error.find("--nope"), std::string::npos);
}

}  // namespace
}  // namespace installer_test
