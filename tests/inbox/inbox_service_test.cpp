// packgate-inbox serve end to end, on SQLite: the pane's feedback delivery into it, the
// refusals of bad input, the rate limit, and the read commands. (A kill -9 during a load is
// in store_test.cpp, for both databases.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "child_process.h"
#include "feedback/kz_feedback_log.h"
#include "inbox_process.h"
#include "raw_https.h"
#include "report_maker.h"
#include "scratch_folder.h"
#include "setupnet/setupnet_test_hooks.h"

namespace {

using inbox_test::Encipher;
using inbox_test::InboxServer;
using inbox_test::PostRequest;
using inbox_test::RunInbox;
using inbox_test::SendRaw;
using Json = nlohmann::json;

Json ListJson(const std::string& database, std::vector<std::string> filters = {}) {
    std::vector<std::string> arguments{"list", "--json", "--database", database};
    arguments.insert(arguments.end(), filters.begin(), filters.end());
    const auto result = RunInbox(arguments);
    EXPECT_EQ(result.status, 0) << result.output;
    return Json::parse(result.output, nullptr, false);
}

std::size_t LinesWith(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
        return line.find(text) != std::string::npos;
    }));
}

// The host of the feedback log's fixed address.
std::string FeedbackHost() {
    std::string rest = std::string(PACKGATE_FEEDBACK_URL).substr(std::string("https://").size());
    return rest.substr(0, rest.find_first_of(":/"));
}

// "127.a.b.c" of this process, so test programs side by side do not share port 443.
std::string LoopbackAddressOfThisProcess() {
    const auto pid = static_cast<unsigned>(getpid());
    return "127." + std::to_string(1 + (pid >> 16) % 254) + "." + std::to_string((pid >> 8) % 256) +
           "." + std::to_string(1 + pid % 254);
}

class InboxService : public testing::Test {
  protected:
    packgate_test::ScratchFolder folder_{"packgate-inbox"};
    std::string database_ = folder_ / "reports.sqlite";
};

TEST_F(InboxService, ThePanesDeliveryArrivesAndListShowsTheSameRecord) {
    const std::string address = LoopbackAddressOfThisProcess();
    auto server = InboxServer::Start(folder_.path(), database_, {"--name", FeedbackHost()},
                                     address + ":443");
    if (!server && geteuid() != 0) GTEST_SKIP() << "port 443 needs root: the fixed address uses it";
    ASSERT_NE(server, nullptr);
    const std::string resolve = FeedbackHost() + ":443:" + address;
    SetupNetTestSetTLS(server->certificate().c_str(), resolve.c_str());
    const std::string previousHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", folder_.MakeFolder("home").c_str(), 1);

    classKZFeedbackLog log;
    log.CollectLog("Resource-Step1", "", 0);
    const auto record = log.GetUserLog();
    setenv("HOME", previousHome.c_str(), 1);
    SetupNetTestSetTLS(nullptr, nullptr);
    ASSERT_TRUE(record.has_value());
    ASSERT_EQ(server->Stop(), 0);

    const Json list = ListJson(database_);
    ASSERT_EQ(list.size(), 1u) << list.dump();
    EXPECT_EQ(list[0]["record"], Json::parse(*record));
    EXPECT_EQ(list[0]["activity"], "Resource-Step1");
    EXPECT_TRUE(list[0]["client"].get<std::string>().starts_with("127.")) << list[0]["client"];
    EXPECT_EQ(list[0]["machineId"], Json::parse(*record)["UserActivityInfo"]["MachineID"]);
}

TEST_F(InboxService, TheDemoMachinesPaneReportsEntryAndContinueToALocalInbox) {
    auto server = InboxServer::Start(folder_.path(), database_, {"--name", FeedbackHost()});
    ASSERT_NE(server, nullptr);
    const auto status = packgate_test::RunProgram(
        {PACKGATE_INSTALLER, "--demo", folder_ / "machine", "--choose", "0", "--yes", "--json",
         "--log", folder_ / "install.log", "--demo-inbox", std::to_string(server->port()),
         "--demo-inbox-ca", server->certificate()});
    ASSERT_EQ(status, 0);
    ASSERT_EQ(server->Stop(), 0);
    const Json list = ListJson(database_);
    ASSERT_EQ(list.size(), 2u) << list.dump();
    EXPECT_EQ(list[0]["activity"], "Resource-Step1");
    EXPECT_EQ(list[1]["activity"], "Resource-Step2");
    EXPECT_EQ(list[0]["machineId"], list[1]["machineId"]);
    EXPECT_NE(list[1]["serial"], "0") << "the second report carries the chosen copy's serial";
}

TEST_F(InboxService, RefusesBadInputCountsAndLogsEachAndStoresNothingOfIt) {
    auto server = InboxServer::Start(folder_.path(), database_, {"--rate", "0"});
    ASSERT_NE(server, nullptr);
    const int port = server->port();
    const std::string path = "/installer/log";
    const auto status = [&](const std::string& request) {
        const auto reply = SendRaw(port, request);
        return reply ? reply->status : 0;
    };
    EXPECT_EQ(status(PostRequest(path, "NOT HEX")), 400);
    EXPECT_EQ(status(PostRequest(path, inbox_test::EncipherWith(inbox_test::SampleRecord("x"), "other"))), 400);
    EXPECT_EQ(status(PostRequest(path, Encipher(R"({"UserActivityInfo":{},"UserActivityLog":{}})"))), 400);
    EXPECT_EQ(status(PostRequest(path, Encipher(inbox_test::SampleRecord("x") + "\xFF"))), 400);
    EXPECT_EQ(status(PostRequest(path, std::string(64 * 1024, 'A'))), 400);  // at the limit
    EXPECT_EQ(status(PostRequest(path, std::string(64 * 1024 + 1, 'A'))), 413);
    EXPECT_EQ(status("POST /installer/log HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n"), 413);
    EXPECT_EQ(status("POST /installer/log HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"), 400);
    EXPECT_EQ(status("GET /installer/log HTTP/1.1\r\n\r\n"), 405);
    EXPECT_EQ(status("PUT / HTTP/1.1\r\nContent-Length: 0\r\n\r\n"), 405);
    EXPECT_EQ(status("GET /elsewhere HTTP/1.1\r\n\r\n"), 404);
    EXPECT_EQ(status(PostRequest("/installer/log/", Encipher(inbox_test::SampleRecord("x")))), 404);
    EXPECT_EQ(status("NOT A REQUEST\r\n\r\n"), 400);
    EXPECT_EQ(status("GET / HTTP/1.1\r\nX: " + std::string(9000, 'a') + "\r\n\r\n"), 431);
    EXPECT_EQ(status("GET /?token=wrong HTTP/1.1\r\n\r\n"), 401);
    const auto allow = SendRaw(port, "GET /installer/log HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(allow.has_value());
    EXPECT_NE(allow->head.find("Allow: POST"), std::string::npos);
    // After all that the inbox still takes a good report.
    EXPECT_EQ(status(PostRequest(path, Encipher(inbox_test::SampleRecord("good")))), 200);
    ASSERT_EQ(server->Stop(), 0);

    const auto lines = server->LogLines();
    EXPECT_EQ(LinesWith(lines, ": 400 Bad Request for 127.0.0.1: "), 7u);
    EXPECT_EQ(LinesWith(lines, ": 413 Content Too Large for 127.0.0.1: POST /installer/log"), 2u);
    EXPECT_EQ(LinesWith(lines, ": 405 Method Not Allowed for 127.0.0.1: "), 3u);
    EXPECT_EQ(LinesWith(lines, ": 404 Not Found for 127.0.0.1: "), 2u);
    EXPECT_EQ(LinesWith(lines, ": 401 Unauthorized for 127.0.0.1: GET /"), 1u);
    EXPECT_EQ(LinesWith(lines, "stopped; stored 1, bad 400: 7, too large 413: 3, too many 429: 0, "
                               "not found 404: 2, wrong method 405: 3, no token 401: 1"), 1u)
        << testing::PrintToString(lines);
    const Json list = ListJson(database_);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["guid"], "good");
}

TEST_F(InboxService, AnswersTooManyPastTheRateOfAnAddress) {
    auto server = InboxServer::Start(folder_.path(), database_, {"--rate", "3"});
    ASSERT_NE(server, nullptr);
    std::vector<int> statuses;
    for (int i = 0; i < 5; ++i) {
        const auto reply = SendRaw(server->port(), PostRequest("/installer/log",
                                       Encipher(inbox_test::SampleRecord("r" + std::to_string(i)))));
        statuses.push_back(reply ? reply->status : 0);
    }
    EXPECT_EQ(statuses, (std::vector<int>{200, 200, 200, 429, 429}));
    ASSERT_EQ(server->Stop(), 0);
    EXPECT_EQ(LinesWith(server->LogLines(), ": 429 Too Many Requests for 127.0.0.1: POST /installer/log"), 2u);
    EXPECT_EQ(ListJson(database_).size(), 3u);
}

TEST_F(InboxService, ListAndStatsFilterAndCount) {
    auto server = InboxServer::Start(folder_.path(), database_, {"--rate", "0"});
    ASSERT_NE(server, nullptr);
    const auto post = [&](const std::string& guid, const std::string& machine,
                          const std::string& activity, const std::string& version) {
        auto fields = inbox_test::SampleFields(guid, activity);
        fields.machineID = machine;
        fields.version = version;
        const auto reply = SendRaw(server->port(),
                                   PostRequest("/installer/log", Encipher(feedback::BuildFeedbackRecord(fields))));
        ASSERT_TRUE(reply.has_value());
        ASSERT_EQ(reply->status, 200);
    };
    post("a1", "A", "Resource-Step1", "5.2");
    post("a2", "A", "Resource-Step2", "5.2");
    post("a3", "A", "Resource-Step1", "5.2");  // A came back: still one machine
    post("b1", "B", "Resource-Step1", "6");
    post("c2", "C", "Resource-Step2", "6");  // went on without an entry report
    ASSERT_EQ(server->Stop(), 0);

    EXPECT_EQ(ListJson(database_, {"--machine", "A"}).size(), 3u);
    EXPECT_EQ(ListJson(database_, {"--version", "6"}).size(), 2u);
    EXPECT_EQ(ListJson(database_, {"--serial", "EM2-7731-QX", "--limit", "2"}).size(), 2u);
    EXPECT_EQ(ListJson(database_, {"--since", "2999-01-01"}).size(), 0u);
    EXPECT_EQ(RunInbox({"list", "--database", database_, "--since", "yesterday"}).status, 2);
    EXPECT_EQ(RunInbox({"list", "--database", folder_ / "missing.sqlite"}).status, 1);

    const auto stats = RunInbox({"stats", "--json", "--database", database_});
    ASSERT_EQ(stats.status, 0);
    const Json json = Json::parse(stats.output);
    EXPECT_EQ(json["reports"], 5);
    EXPECT_EQ(json["machinesEntered"], 2);
    EXPECT_EQ(json["machinesContinued"], 1);
    EXPECT_EQ(json["perProductVersion"], Json::parse(R"({"5.2":3,"6":2})"));
    EXPECT_EQ(json["perSystemVersion"], Json::parse(R"({"6.1.0":5})"));
    EXPECT_EQ(json["perDay"].size(), 1u);
}

TEST_F(InboxService, ListTextKeepsControlCharactersOffTheTerminal) {
    auto server = InboxServer::Start(folder_.path(), database_);
    ASSERT_NE(server, nullptr);
    auto fields = inbox_test::SampleFields("t");
    fields.em2 = "\x1b]0;owned\x07\xc2\x9b" "31m";
    const auto reply = SendRaw(server->port(),
                               PostRequest("/installer/log", Encipher(feedback::BuildFeedbackRecord(fields))));
    ASSERT_TRUE(reply.has_value());
    ASSERT_EQ(reply->status, 200);
    ASSERT_EQ(server->Stop(), 0);
    const auto list = RunInbox({"list", "--database", database_});
    EXPECT_NE(list.output.find("serial \\u001B]0;owned\\u0007\\u009B31m"), std::string::npos) << list.output;
    EXPECT_EQ(list.output.find('\x1b'), std::string::npos);
}

}  // namespace
