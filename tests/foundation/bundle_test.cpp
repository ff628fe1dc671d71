#include "foundation/bundle.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "scratch_folder.h"

namespace {

using foundation::Bundle;
using packgate_test::ScratchFolder;

std::string InfoPlist(const std::string& developmentRegion) {
    std::string body = "<key>CFBundleIdentifier</key><string>com.velmora.Packgate</string>\n";
    if (!developmentRegion.empty()) {
        body += "<key>CFBundleDevelopmentRegion</key><string>" + developmentRegion + "</string>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

// A bundle folder in a scratch folder, with the locale variables saved and cleared, and
// restored afterwards.
class BundleFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        folder_.MakeFolder("Packgate.bundle/Contents/Resources");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

    std::string Path() const { return folder_ / "Packgate.bundle"; }
    Bundle Open() const { return *Bundle::AtPath(Path()); }
    void WriteInfo(const std::string& region) {
        folder_.Write("Packgate.bundle/Contents/Info.plist", InfoPlist(region));
    }
    void WriteStrings(const std::string& language, const std::string& text,
                      const std::string& table = "Localizable") {
        folder_.Write(
            "Packgate.bundle/Contents/Resources/" + language + ".lproj/" + table + ".strings",
            text);
    }
    std::string Title() const { return Open().localizedStringForKey("Title", ""); }

    static constexpr const char* kVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    ScratchFolder folder_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(BundleFixture, AtPathNeedsAFolder) {
    EXPECT_TRUE(Bundle::AtPath(Path()));
    EXPECT_EQ(Bundle::AtPath(Path())->bundlePath(), Path());
    EXPECT_FALSE(Bundle::AtPath(folder_ / "Missing.bundle"));
    EXPECT_FALSE(Bundle::AtPath(folder_.Write("file", "x")));
    EXPECT_FALSE(Bundle::AtPath(""));
}

TEST_F(BundleFixture, InfoDictionaryReadsContentsInfoPlist) {
    EXPECT_FALSE(Open().infoDictionary());
    WriteInfo("de");
    const auto info = Open().infoDictionary();
    ASSERT_TRUE(info);
    EXPECT_EQ(foundation::StringForKey(&*info, "CFBundleIdentifier"), "com.velmora.Packgate");
}

TEST_F(BundleFixture, PathForResourceFindsExistingResources) {
    const std::string setup =
        folder_.Write("Packgate.bundle/Contents/Resources/SetupSRC.plist", "<plist/>");
    folder_.Write("Packgate.bundle/Contents/Resources/README", "x");
    EXPECT_EQ(Open().pathForResource("SetupSRC", "plist"), setup);
    EXPECT_EQ(Open().pathForResource("README", ""), Path() + "/Contents/Resources/README");
    EXPECT_FALSE(Open().pathForResource("SetupSRC", "strings"));
    EXPECT_FALSE(Open().pathForResource("Missing", "plist"));
    EXPECT_FALSE(Open().pathForResource("", "plist"));
}

TEST_F(BundleFixture, ChoosesTheLanguageFromTheLocaleVariablesInOrder) {
    WriteStrings("en", "\"Title\" = \"Install location\";");
    WriteStrings("de", "\"Title\" = \"Installationsort\";");
    WriteStrings("fr", "\"Title\" = \"Emplacement\";");
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(Title(), "Installationsort");
    setenv("LC_MESSAGES", "fr_FR.UTF-8", 1);
    EXPECT_EQ(Title(), "Emplacement");
    setenv("LC_ALL", "C", 1);  // Names no language: the next variable decides.
    EXPECT_EQ(Title(), "Emplacement");
    setenv("LC_ALL", "de_AT@euro", 1);
    EXPECT_EQ(Title(), "Installationsort");
    EXPECT_EQ(Open().preferredLocalization(), "de");
}

TEST_F(BundleFixture, RegionalNamesFallBackToTheLanguage) {
    WriteStrings("zh", "\"Title\" = \"zh\";");
    setenv("LANG", "zh_TW.UTF-8", 1);
    EXPECT_EQ(Title(), "zh");
    WriteStrings("zh-Hant", "\"Title\" = \"zh-Hant\";");
    EXPECT_EQ(Title(), "zh-Hant");
    WriteStrings("zh_TW", "\"Title\" = \"zh_TW\";");
    EXPECT_EQ(Title(), "zh_TW");
    EXPECT_EQ(Open().preferredLocalization(), "zh_TW");
}

TEST_F(BundleFixture, UnknownLanguagesUseTheDevelopmentRegion) {
    WriteStrings("en", "\"Title\" = \"English\";");
    WriteStrings("ja", "\"Title\" = \"Japanese\";");
    setenv("LANG", "sv_SE.UTF-8", 1);
    EXPECT_EQ(Title(), "English");  // No region given: "en".
    WriteInfo("ja");
    EXPECT_EQ(Title(), "Japanese");
    EXPECT_EQ(Open().preferredLocalization(), "ja");
    unsetenv("LANG");
    EXPECT_EQ(Title(), "Japanese");
}

TEST_F(BundleFixture, MissingKeysGiveTheValueOrTheKey) {
    WriteStrings("en", "/* comment */\n\"Title\" = \"Install location\";\n");
    EXPECT_EQ(Open().localizedStringForKey("ID_NOAP_DESCRIPTION", ""), "ID_NOAP_DESCRIPTION");
    EXPECT_EQ(Open().localizedStringForKey("ID_NOAP_DESCRIPTION", "fallback"), "fallback");
    EXPECT_EQ(Open().localizedStringForKey("Title", "fallback"), "Install location");
}

TEST_F(BundleFixture, WithoutTablesEveryKeyIsItself) {
    EXPECT_EQ(Title(), "Title");
    EXPECT_FALSE(Open().preferredLocalization());
    folder_.MakeFolder("Packgate.bundle/Contents/Resources/en.lproj");
    EXPECT_EQ(Open().preferredLocalization(), "en");
    EXPECT_EQ(Title(), "Title");
    WriteStrings("en", "this is not a strings table {{{");
    EXPECT_EQ(Title(), "Title");
}

TEST_F(BundleFixture, NamedTablesAreSeparate) {
    WriteStrings("en", "\"Title\" = \"Default\";");
    WriteStrings("en", "\"Title\" = \"Other\";", "Other");
    EXPECT_EQ(Open().localizedStringForKey("Title", "", "Other"), "Other");
    EXPECT_EQ(Open().localizedStringForKey("Title", "", std::nullopt), "Default");
    EXPECT_EQ(Open().localizedStringForKey("Title", "", "Missing"), "Title");
}

TEST_F(BundleFixture, LanguageNamesNameOneFolderOnly) {
    WriteStrings("sub/en", "\"Title\" = \"nested\";");
    WriteStrings("en", "\"Title\" = \"inside\";");
    setenv("LANG", "sub/en", 1);
    EXPECT_EQ(Title(), "inside");
    setenv("LANG", "../en", 1);  // The codeset cut leaves nothing of it.
    EXPECT_EQ(Title(), "inside");
}

TEST(BundleContainingAddress, FindsTheBundleOfALoadedModule) {
    void* module = dlopen(BUNDLE_FIXTURE_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using AddressFunction = const void* (*)();
    const auto address = reinterpret_cast<AddressFunction>(dlsym(module, "BundleFixtureAddress"));
    ASSERT_NE(address, nullptr);
    const auto bundle = Bundle::ContainingAddress(address());
    ASSERT_TRUE(bundle);
    const std::string expected = BUNDLE_FIXTURE_MODULE;
    EXPECT_EQ(bundle->bundlePath() + "/Contents/MacOS/Fixture", expected);
    dlclose(module);
}

TEST(BundleContainingAddress, ModulesOutsideABundleHaveNone) {
    static int local = 0;
    EXPECT_FALSE(Bundle::ContainingAddress(&local));  // The test program itself.
    EXPECT_FALSE(Bundle::ContainingAddress(nullptr));
}

}  // namespace
