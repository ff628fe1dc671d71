// The body reader against bodies enciphered by OpenSSL: real records are taken whole, and
// everything that is not exactly one enciphered record of the known shape is refused.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "inbox/body/report_body.h"
#include "report_maker.h"

namespace {

using inbox::ReadReportBody;
using inbox_test::Encipher;
using inbox_test::SampleRecord;
using Json = nlohmann::ordered_json;

// The sample record with one change made to its parsed form.
std::string Changed(const std::function<void(Json&)>& change) {
    Json record = Json::parse(SampleRecord("G-1"));
    change(record);
    return record.dump();
}

TEST(ReportBody, ReadsTheRecordTheFeedbackLogBuilds) {
    const std::string record = SampleRecord("6F9619FF-8B86-D011-B42D-00C04FC964FF", "Resource-Step2");
    const auto report = ReadReportBody(Encipher(record));
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->record, record);
    EXPECT_EQ(report->guid, "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(report->machineId, "4C4C4544-0042-3510-8052-B4C04F4E3332");
    EXPECT_EQ(report->serial, "EM2-7731-QX");
    EXPECT_EQ(report->productVersion, "5.2");
    EXPECT_EQ(report->systemVersion, "6.1.0");
    EXPECT_EQ(report->activity, "Resource-Step2");
}

TEST(ReportBody, ReadsAbsentValuesAndBareNumbers) {
    // The entry report: no host values, so bare values are null and quoted ones "(null)".
    feedback::FeedbackRecordFields fields;
    fields.activityName = "Resource-Step1";
    fields.activityDescription = "";
    fields.version = "7";
    auto report = ReadReportBody(Encipher(feedback::BuildFeedbackRecord(fields)));
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->serial, "(null)");
    EXPECT_EQ(report->productVersion, "7");
    fields.version.reset();
    report = ReadReportBody(Encipher(feedback::BuildFeedbackRecord(fields)));
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->productVersion, "");
}

TEST(ReportBody, KeepsMarkupAndNonAsciiTextAsItIs) {
    auto fields = inbox_test::SampleFields("G-2");
    fields.em2 = "<script>alert('x')</script>";
    fields.activityDescription = "Grüße \"quoted\" \\ \u00e9\u4e2d";
    const std::string record = feedback::BuildFeedbackRecord(fields);
    const auto report = ReadReportBody(Encipher(record));
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->serial, "<script>alert('x')</script>");
    EXPECT_EQ(report->record, record);
}

TEST(ReportBody, RefusesBodiesThatAreNotItsCipherText) {
    const std::string good = Encipher(SampleRecord("G-3"));
    std::string lower = good;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_FALSE(ReadReportBody(""));
    EXPECT_FALSE(ReadReportBody(good.substr(1)));           // odd length
    EXPECT_FALSE(ReadReportBody(good + "\n"));              // a line break after it
    EXPECT_FALSE(ReadReportBody(lower));                    // lower-case digits
    EXPECT_FALSE(ReadReportBody(good.substr(0, 20) + "GG" + good.substr(22)));
    EXPECT_FALSE(ReadReportBody(good.substr(0, good.size() - 2)));  // cut short
    EXPECT_FALSE(ReadReportBody(std::string(good).insert(10, std::string(1, '\0'))));
    EXPECT_FALSE(ReadReportBody(SampleRecord("G-3")));      // not enciphered
    EXPECT_FALSE(ReadReportBody(inbox_test::EncipherWith(SampleRecord("G-3"), "wrong")));
}

TEST(ReportBody, RefusesPlainTextsThatAreNotUtf8Json) {
    const std::string record = SampleRecord("G-4");
    EXPECT_FALSE(ReadReportBody(Encipher(record + "x")));
    EXPECT_FALSE(ReadReportBody(Encipher(record + record)));
    EXPECT_FALSE(ReadReportBody(Encipher(record + std::string(1, '\0') + "{}")));
    std::string badUtf8 = record;
    badUtf8.replace(badUtf8.find("Mac OS X"), 3, "\xC3\x28X");
    EXPECT_FALSE(ReadReportBody(Encipher(badUtf8)));
    std::string overlong = record;
    overlong.replace(overlong.find("Mac OS X"), 1, "\xC0\xAF");
    EXPECT_FALSE(ReadReportBody(Encipher(overlong)));
    EXPECT_FALSE(ReadReportBody(Encipher("[]")));
    EXPECT_FALSE(ReadReportBody(Encipher("null")));
}

TEST(ReportBody, RefusesRecordsOfAnotherShape) {
    const auto refused = [](const std::function<void(Json&)>& change) {
        return !ReadReportBody(Encipher(Changed(change))).has_value();
    };
    EXPECT_FALSE(refused([](Json&) {}));  // the unchanged record passes
    EXPECT_TRUE(refused([](Json& r) { r["Extra"] = 1; }));
    EXPECT_TRUE(refused([](Json& r) { r.erase("UserActivityLog"); }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityInfo"]["Extra"] = "x"; }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityInfo"].erase("SN"); }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityLog"].erase("Name"); }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityInfo"]["SN"] = 12; }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityInfo"]["MachineID"] = nullptr; }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityInfo"]["APType"] = "0"; }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityInfo"]["Version"] = Json::array(); }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityInfo"]["Version"] = 1.5; }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityLog"] = "text"; }));
    EXPECT_TRUE(refused([](Json& r) { r["UserActivityLog"]["Name"] = Json::object(); }));
    EXPECT_FALSE(refused([](Json& r) { r["UserActivityInfo"]["Version"] = nullptr; }));
    EXPECT_FALSE(refused([](Json& r) { r["UserActivityInfo"]["OEMCode"] = "A7"; }));
}

}  // namespace
