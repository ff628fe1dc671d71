// The two stores behind one interface, each against its real database: a SQLite file and a
// PostgreSQL 15 server this program starts (one for the whole program). Both must keep
// every byte of a report, apply the migrations once, and filter alike. The service on
// PostgreSQL is checked end to end here too, since the server is here.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "inbox/store/group_commit.h"
#include "inbox/store/report_store.h"
#include "inbox_process.h"
#include "load_clients.h"
#include "postgres_server.h"
#include "raw_https.h"
#include "report_maker.h"
#include "scratch_folder.h"

namespace {

using inbox::Arrival;
using inbox::OpenMode;
using inbox::OpenReportStore;
using inbox::ReportFilter;

constexpr std::int64_t kDay = 24LL * 60 * 60 * 1000;
constexpr std::int64_t kStart = 1796774400000;  // 2026-12-09T00:00:00Z

Arrival MakeArrival(const std::string& guid, const std::string& machine, std::int64_t at) {
    auto fields = inbox_test::SampleFields(guid);
    fields.machineID = machine;
    Arrival arrival;
    arrival.receivedMs = at;
    arrival.clientAddress = "127.0.0.9";
    arrival.report.record = feedback::BuildFeedbackRecord(fields);
    arrival.report.guid = guid;
    arrival.report.machineId = machine;
    arrival.report.serial = "EM2-" + machine;
    arrival.report.productVersion = machine == "A" ? "5.2" : "6";
    arrival.report.systemVersion = "6.1.0";
    arrival.report.activity = "Resource-Step1";
    return arrival;
}

class Stores : public testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "sqlite") {
            database_ = folder_ / "reports.sqlite";
            return;
        }
        std::string why;
        const auto uri = inbox_test::NewPostgresDatabase("inbox_" + std::to_string(++count_), &why);
        if (!uri && why.find("not installed") != std::string::npos) GTEST_SKIP() << why;
        ASSERT_TRUE(uri.has_value()) << why;
        database_ = *uri;
    }

    std::unique_ptr<inbox::ReportStore> Open() {
        std::string error;
        auto store = OpenReportStore(database_, OpenMode::CreateIfMissing, &error);
        EXPECT_NE(store, nullptr) << error;
        return store;
    }

    static inline int count_ = 0;
    packgate_test::ScratchFolder folder_{"packgate-inbox-store"};
    std::string database_;
};

TEST_P(Stores, MigratesOnceAndKeepsEveryByte) {
    auto store = Open();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->SchemaVersion(), 2);
    Arrival hostile = MakeArrival("h", "A", kStart);
    hostile.report.serial = "<script>alert(1)</script>'; DROP TABLE reports; --\t\u00e9\u4e2d";
    hostile.report.record += std::string("\xF0\x9F\x98\x80");
    ASSERT_TRUE(store->Append({hostile}));
    store.reset();

    store = Open();  // a second start finds the schema in place
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->SchemaVersion(), 2);
    const auto found = store->Find({});
    ASSERT_TRUE(found.has_value()) << store->error();
    ASSERT_EQ(found->size(), 1u);
    const Arrival& back = (*found)[0].arrival;
    EXPECT_EQ(back.report.serial, hostile.report.serial);
    EXPECT_EQ(back.report.record, hostile.report.record);
    EXPECT_EQ(back.receivedMs, kStart);
    EXPECT_EQ(back.clientAddress, "127.0.0.9");
}

TEST_P(Stores, FiltersBySinceMachineSerialAndVersion) {
    auto store = Open();
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->Append({MakeArrival("1", "A", kStart), MakeArrival("2", "B", kStart + kDay),
                               MakeArrival("3", "A", kStart + 2 * kDay),
                               MakeArrival("4", "B", kStart + 3 * kDay)}));
    const auto guids = [&](const ReportFilter& filter) {
        std::vector<std::string> result;
        const auto found = store->Find(filter);
        if (!found) return std::vector<std::string>{"(failed)"};
        for (const auto& stored : *found) result.push_back(stored.arrival.report.guid);
        return result;
    };
    const auto where = [](std::optional<std::int64_t> since, std::string machine,
                          std::string serial, std::string version, std::size_t limit = 0) {
        ReportFilter filter;
        filter.sinceMs = since;
        filter.machineId = std::move(machine);
        filter.serial = std::move(serial);
        filter.productVersion = std::move(version);
        filter.limit = limit;
        return filter;
    };
    using Guids = std::vector<std::string>;
    EXPECT_EQ(guids({}), (Guids{"1", "2", "3", "4"}));
    EXPECT_EQ(guids(where(kStart + kDay, "", "", "")), (Guids{"2", "3", "4"}));
    EXPECT_EQ(guids(where({}, "A", "", "")), (Guids{"1", "3"}));
    EXPECT_EQ(guids(where({}, "", "EM2-B", "")), (Guids{"2", "4"}));
    EXPECT_EQ(guids(where({}, "", "", "5.2")), (Guids{"1", "3"}));
    EXPECT_EQ(guids(where(kStart + kDay, "A", "", "")), (Guids{"3"}));
    EXPECT_EQ(guids(where({}, "", "", "", 2)), (Guids{"3", "4"}));
    EXPECT_EQ(guids(where({}, "A' OR '1'='1", "", "")), Guids{});
}

TEST_P(Stores, GroupCommitStoresWhatManyThreadsHandItAtOnce) {
    auto store = Open();
    ASSERT_NE(store, nullptr);
    inbox::GroupCommit commit(std::move(store));
    std::vector<std::thread> threads;
    std::atomic<int> stored{0};
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                if (commit.Store(MakeArrival(std::to_string(t) + "-" + std::to_string(i), "A", kStart))) ++stored;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(stored.load(), 200);
    EXPECT_EQ(Open()->Find({}).value().size(), 200u);
}

TEST_P(Stores, TheServiceStoresAndListShowsWhatWasPosted) {
    auto server = inbox_test::InboxServer::Start(folder_.path(), database_, {"--rate", "0"});
    ASSERT_NE(server, nullptr);
    for (const char* guid : {"p1", "p2"}) {
        const auto reply = inbox_test::SendRaw(
            server->port(),
            inbox_test::PostRequest("/installer/log",
                                    inbox_test::Encipher(inbox_test::SampleRecord(guid))));
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->status, 200);
    }
    ASSERT_EQ(server->Stop(), 0);
    const auto list = inbox_test::RunInbox({"list", "--json", "--database", database_});
    ASSERT_EQ(list.status, 0);
    const auto json = nlohmann::json::parse(list.output);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[1]["record"], nlohmann::json::parse(inbox_test::SampleRecord("p2")));
}

TEST_P(Stores, EveryAcknowledgedReportSurvivesAKillDuringALoad) {
    auto server = inbox_test::InboxServer::Start(folder_.path(), database_, {"--rate", "0"});
    ASSERT_NE(server, nullptr);
    const std::string url = "https://127.0.0.1:" + std::to_string(server->port()) + "/installer/log";
    inbox_test::LoadClients clients(INBOX_LOAD_CLIENT, url, server->certificate(), 4, 150, "k");
    clients.WaitForAcks(120);
    server->Kill();
    const auto outcome = clients.Finish();
    ASSERT_GE(outcome.acknowledged.size(), 120u);
    EXPECT_GT(outcome.failed, 0u) << "the kill came after the load had ended";

    const auto list = inbox_test::RunInbox({"list", "--json", "--database", database_});
    ASSERT_EQ(list.status, 0);
    const auto json = nlohmann::json::parse(list.output);
    std::set<std::string> stored;
    for (const auto& entry : json) stored.insert(entry["guid"].get<std::string>());
    for (const auto& guid : outcome.acknowledged) EXPECT_EQ(stored.count(guid), 1u) << guid;
    EXPECT_EQ(stored.size(), json.size()) << "a report was stored twice";
}

TEST(PostgresStore, AServerThatIsNotThereIsAnErrorNotACrash) {
    std::string error;
    EXPECT_EQ(OpenReportStore("postgresql://inbox@127.0.0.1:1/none?connect_timeout=2",
                              OpenMode::CreateIfMissing, &error),
              nullptr);
    EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(Inbox, Stores, testing::Values("sqlite", "postgresql"),
                         [](const auto& param) { return param.param; });

}  // namespace
