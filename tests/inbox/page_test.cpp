// The inbox's page in a real browser (Debian's headless Chromium): it loads behind its
// token, filters by its query parameters, shows a hostile record as text, and leaves a
// screenshot in the build folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "feedback/feedback_record.h"
#include "inbox_process.h"
#include "raw_https.h"
#include "report_maker.h"
#include "scratch_folder.h"

namespace {

constexpr const char* kHostileSerial =
    "<script>document.title='owned'</script><img src=x onerror=\"document.title='owned'\">";

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class InboxPage : public testing::Test {
  protected:
    void SetUp() override {
        if (access("/usr/bin/chromium", X_OK) != 0) GTEST_SKIP() << "Debian's chromium is not installed";
        server_ = inbox_test::InboxServer::Start(folder_.path(), folder_ / "reports.sqlite",
                                                 {"--rate", "0"});
        ASSERT_NE(server_, nullptr);
        Post("n1", "EM2-1111", "Resource-Step1");
        Post("n2", "EM2-1111", "Resource-Step2");
        Post("h1", kHostileSerial, "Resource-Step1");
    }

    void Post(const std::string& guid, const std::string& serial, const std::string& activity) {
        auto fields = inbox_test::SampleFields(guid, activity);
        fields.em2 = serial;
        const auto reply = inbox_test::SendRaw(
            server_->port(), inbox_test::PostRequest("/installer/log",
                                                     inbox_test::Encipher(feedback::BuildFeedbackRecord(fields))));
        ASSERT_TRUE(reply.has_value());
        ASSERT_EQ(reply->status, 200);
    }

    std::string Url(const std::string& query) const {
        return "https://127.0.0.1:" + std::to_string(server_->port()) + "/?" + query;
    }

    // Chromium's serialisation of the page's document after it loaded (--dump-dom), or, with
    // `screenshot`, the PNG written there.
    std::string Browse(const std::string& url, const std::string& screenshot = {}) {
        const std::string profile = folder_.MakeFolder("profile-" + std::to_string(++runs_));
        const std::string out = folder_ / ("dom-" + std::to_string(runs_) + ".html");
        std::string command =
            "chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
            "--disable-background-networking --disable-component-update --disable-sync "
            "--ignore-certificate-errors --disable-dev-shm-usage --window-size=1280,900 "
            "--user-data-dir='" + profile + "' ";
        command += screenshot.empty() ? "--dump-dom" : "--screenshot='" + screenshot + "'";
        command += " '" + url + "' > '" + out + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(out);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    packgate_test::ScratchFolder folder_{"packgate-inbox-page"};
    std::unique_ptr<inbox_test::InboxServer> server_;
    int runs_ = 0;
};

TEST_F(InboxPage, LoadsFiltersAndShowsAHostileRecordAsText) {
    const std::string token = "token=" + server_->token();
    const std::string all = Browse(Url(token));
    EXPECT_NE(all.find("<title>Packgate inbox: install reports</title>"), std::string::npos) << all;
    EXPECT_EQ(Count(all, "<tr class=\"report\""), 3u);
    EXPECT_NE(all.find("Machines that entered the pane: 1; went on past Continue: 1"), std::string::npos);
    EXPECT_NE(all.find("data-count=\"3\""), std::string::npos) << "the chart has today's bar";
    // The markup arrived as text: no element of it, and the title is the page's own.
    EXPECT_EQ(all.find("<script"), std::string::npos);
    EXPECT_EQ(all.find("<img"), std::string::npos);
    EXPECT_NE(all.find("&lt;script&gt;document.title='owned'&lt;/script&gt;&lt;img src=x"), std::string::npos);
    EXPECT_EQ(all.find("<title>owned"), std::string::npos);

    const std::string filtered = Browse(Url(token + "&serial=EM2-1111&machine="));
    EXPECT_EQ(Count(filtered, "<tr class=\"report\""), 2u);
    EXPECT_NE(filtered.find("value=\"EM2-1111\""), std::string::npos) << "the form keeps the filter";
    const std::string none = Browse(Url(token + "&since=2999-01-01"));
    EXPECT_EQ(Count(none, "<tr class=\"report\""), 0u);
    const std::string badSince = Browse(Url(token + "&since=%3Cb%3Elater%3C/b%3E"));
    EXPECT_NE(badSince.find("id=\"problem\""), std::string::npos);
    EXPECT_EQ(badSince.find("<b>later"), std::string::npos);

    const std::string refused = Browse(Url("token=not-the-token"));
    EXPECT_EQ(Count(refused, "<tr class=\"report\""), 0u);

    std::filesystem::remove(INBOX_SCREENSHOT);
    Browse(Url(token), INBOX_SCREENSHOT);
    EXPECT_TRUE(std::filesystem::exists(INBOX_SCREENSHOT));
    EXPECT_GT(std::filesystem::file_size(INBOX_SCREENSHOT), 10000u);
}

}  // namespace
