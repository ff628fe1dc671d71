#include "foundation/preferences.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "foundation/search_paths.h"
#include "scratch_folder.h"

namespace {

using foundation::CopyPreferenceValue;
using foundation::PlistValue;
using packgate_test::ScratchFolder;

std::string XmlPlist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n" +
           body + "</dict>\n</plist>\n";
}

// A machine root in a scratch folder, restored to "/" afterwards.
class Preferences : public ::testing::Test {
  protected:
    void SetUp() override { foundation::SetMachineRoot(root_.path()); }
    void TearDown() override { foundation::SetMachineRoot("/"); }

    void WritePreferences(const std::string& id, const std::string& body) {
        root_.Write("Library/Preferences/" + id + ".plist", XmlPlist(body));
    }

    ScratchFolder root_;
};

TEST_F(Preferences, ReadsValuesOfTheApplication) {
    WritePreferences("com.velmora.Quillet",
                     "<key>Template Data</key><string>/Users/Shared/Quillet/Template</string>\n"
                     "<key>EM2</key><string>QX-7781</string>\n"
                     "<key>Version Code</key><string>1203004</string>\n"
                     "<key>Count</key><integer>3</integer>\n");
    EXPECT_EQ(CopyPreferenceValue("Template Data", "com.velmora.Quillet"),
              PlistValue("/Users/Shared/Quillet/Template"));
    EXPECT_EQ(CopyPreferenceValue("EM2", "com.velmora.Quillet"), PlistValue("QX-7781"));
    EXPECT_EQ(CopyPreferenceValue("Version Code", "com.velmora.Quillet"), PlistValue("1203004"));
    EXPECT_EQ(CopyPreferenceValue("Count", "com.velmora.Quillet"), PlistValue(std::int64_t{3}));
}

TEST_F(Preferences, MissingKeyFileOrIdentifierGivesNothing) {
    WritePreferences("com.velmora.Quillet", "<key>EM2</key><string>x</string>\n");
    EXPECT_FALSE(CopyPreferenceValue("Template Data", "com.velmora.Quillet"));
    EXPECT_FALSE(CopyPreferenceValue("EM2", "com.velmora.Other"));
    EXPECT_FALSE(CopyPreferenceValue("EM2", std::nullopt));
    EXPECT_FALSE(CopyPreferenceValue("EM2", std::string()));
    EXPECT_FALSE(CopyPreferenceValue("em2", "com.velmora.Quillet"));
}

TEST_F(Preferences, UnreadableFilesGiveNothing) {
    root_.Write("Library/Preferences/broken.plist", "<plist><dict><key>EM2</key>");
    EXPECT_FALSE(CopyPreferenceValue("EM2", "broken"));
    root_.Write("Library/Preferences/array.plist",
                "<plist version=\"1.0\"><array><string>EM2</string></array></plist>");
    EXPECT_FALSE(CopyPreferenceValue("EM2", "array"));
    root_.MakeFolder("Library/Preferences/folder.plist");
    EXPECT_FALSE(CopyPreferenceValue("EM2", "folder"));
}

TEST_F(Preferences, IdentifiersNeverLeaveThePreferencesFolder) {
    const std::string body = "<key>EM2</key><string>secret</string>\n";
    root_.Write("Library/secret.plist", XmlPlist(body));
    root_.Write("Library/Preferences/sub/inner.plist", XmlPlist(body));
    root_.Write("Library/Preferences/...plist", XmlPlist(body));
    root_.Write("Library/Preferences/..plist", XmlPlist(body));
    root_.Write("secret.plist", XmlPlist(body));
    for (const char* id :
         {"../secret", "../../secret", "sub/inner", "..", ".", "/secret", "sub/../../secret"}) {
        EXPECT_FALSE(CopyPreferenceValue("EM2", std::string(id))) << id;
    }
    EXPECT_FALSE(CopyPreferenceValue("EM2", std::string("a\0b", 3)));
}

TEST_F(Preferences, ReadsBinaryListsWrittenByPython) {
    const std::string path = root_ / "Library/Preferences/com.velmora.Binary.plist";
    root_.MakeFolder("Library/Preferences");
    const std::string command =
        "python3 -c \"import plistlib,sys; "
        "plistlib.dump({'EM2': 'B-1', 'Version Code': '7'}, open(sys.argv[1], 'wb'), "
        "fmt=plistlib.FMT_BINARY)\" '" +
        path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(CopyPreferenceValue("EM2", "com.velmora.Binary"), PlistValue("B-1"));
    EXPECT_EQ(CopyPreferenceValue("Version Code", "com.velmora.Binary"), PlistValue("7"));
}

TEST_F(Preferences, FollowsTheMachineRoot) {
    WritePreferences("com.velmora.Quillet", "<key>EM2</key><string>here</string>\n");
    EXPECT_TRUE(CopyPreferenceValue("EM2", "com.velmora.Quillet"));
    const ScratchFolder elsewhere;
    foundation::SetMachineRoot(elsewhere.path());
    EXPECT_FALSE(CopyPreferenceValue("EM2", "com.velmora.Quillet"));
}

}  // namespace
