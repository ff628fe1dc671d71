#include "feedback_fixture.h"

#include <array>

#include "child_process.h"
#include "foundation/search_paths.h"
#include "machinetag/machinetag.h"
#include "system/system_info.h"

namespace feedback_test {
namespace {

constexpr const char* kHostListPath = "Library/Preferences/com.velmora.installer.Quillet.plist";

constexpr const char* kWritePlist =
    "import json, plistlib, sys\n"
    "fmt = plistlib.FMT_XML if sys.argv[3] == 'xml' else plistlib.FMT_BINARY\n"
    "with open(sys.argv[2], 'wb') as out:\n"
    "    plistlib.dump(json.loads(sys.argv[1]), out, fmt=fmt)\n";

}  // namespace

void FeedbackLogTest::SetUp() {
    previousHome_ = foundation::HomeFolder();
    foundation::SetHomeFolder(home_.path());
    home_.MakeFolder("Library/Preferences");
}

void FeedbackLogTest::TearDown() {
    foundation::SetHomeFolder(previousHome_);
}

void FeedbackLogTest::WriteHostList(const nlohmann::json& values, const std::string& format) {
    const auto status = packgate_test::RunProgram(
        {"python3", "-c", kWritePlist, values.dump(), home_ / kHostListPath, format});
    ASSERT_EQ(status, 0) << "plistlib could not write the fixture";
}

void FeedbackLogTest::WriteHostListBytes(const std::string& bytes) {
    home_.Write(kHostListPath, bytes);
}

std::string MachineID() {
    std::array<char, 13> buffer{};
    MTAGGetID(buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

std::string OSVersion() {
    const auto version = platform::QuerySystemVersion();
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.bugFix);
}

std::string ExpectedRecord::Text() const {
    return R"({"UserActivityInfo":{"GUID":")" + guid + R"(","MachineID":")" + MachineID() +
           R"(","APType":0,"SN":")" + sn +
           R"(","ProductID":0,"Version":0,"LanguageID":0,"OEMCode":0,"OS_Name":"Mac OS X",)"
           R"("OS_Version":")" +
           OSVersion() +
           R"(","OS_TypeId":1,"OSBit":1,"Email":"","Description":"Mac",)"
           R"("ProductBuild":")" +
           productBuild + R"(","CheckUpdateEdition":")" + edition + R"(","PackageLanguageID":)" +
           packageLanguageID + R"(},"UserActivityLog":{"GUID":")" + guid +
           R"(","APType":0,"Name":")" + name + R"(","Description":")" + description + R"("}})";
}

nlohmann::json ParseRecord(const std::optional<std::string>& record) {
    EXPECT_TRUE(record.has_value());
    if (!record) return {};
    const auto parsed = nlohmann::json::parse(*record, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "not valid JSON: " << *record;
    return parsed;
}

}  // namespace feedback_test
