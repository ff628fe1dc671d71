// packgate-inbox list and stats: what the store holds, as text for people or JSON for
// programs.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "inbox/commands/command_line.h"
#include "inbox/commands/commands.h"
#include "inbox/commands/terminal_text.h"
#include "inbox/stats/report_stats.h"
#include "inbox/stats/utc_time.h"
#include "inbox/store/report_store.h"

namespace inbox {
namespace {

using Json = nlohmann::ordered_json;

const KnownOptions kReadOptions{{"database", "since", "machine", "serial", "version", "limit"},
                              {"json"},
                              {}};

int Fail(const std::string& message, int status) {
    std::fprintf(stderr, "packgate-inbox: %s\n", message.c_str());
    return status;
}

struct ReadRequest {
    std::string database;
    ReportFilter filter;
    bool json = false;
};

// The options as a query; nothing (after saying why) when one is wrong.
std::optional<ReadRequest> ReadOptions(const std::vector<std::string>& arguments) {
    std::string error;
    const auto options = ParseOptions(arguments, kReadOptions, &error);
    if (!options) return Fail(error, 2), std::nullopt;
    ReadRequest request;
    request.database = options->Value("database", kDefaultDatabase);
    request.json = options->Has("json");
    request.filter.machineId = options->Value("machine");
    request.filter.serial = options->Value("serial");
    request.filter.productVersion = options->Value("version");
    const std::string since = options->Value("since");
    if (!since.empty()) {
        request.filter.sinceMs = ParseUtc(since);
        if (!request.filter.sinceMs) {
            return Fail("--since takes YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ (UTC)", 2), std::nullopt;
        }
    }
    const auto limit = ParseCount(options->Value("limit", "0"), 1u << 30);
    if (!limit) return Fail("--limit takes a number (0: all)", 2), std::nullopt;
    request.filter.limit = *limit;
    return request;
}

std::optional<std::vector<StoredReport>> FindReports(const ReadRequest& request) {
    std::string error;
    const auto store = OpenReportStore(request.database, OpenMode::ExistingOnly, &error);
    if (!store) return Fail("cannot open the database: " + error, 1), std::nullopt;
    auto found = store->Find(request.filter);
    if (!found) return Fail("cannot read the database: " + store->error(), 1), std::nullopt;
    return found;
}

Json ReportJson(const StoredReport& stored) {
    const Report& r = stored.arrival.report;
    // The record was checked to be JSON when it arrived; should the database hold something
    // else it is given as the text it is.
    Json record = Json::parse(r.record, nullptr, false);
    if (record.is_discarded()) record = r.record;
    return Json{{"id", stored.id},
                {"received", FormatUtc(stored.arrival.receivedMs)},
                {"client", stored.arrival.clientAddress},
                {"activity", r.activity},
                {"machineId", r.machineId},
                {"serial", r.serial},
                {"productVersion", r.productVersion},
                {"systemVersion", r.systemVersion},
                {"guid", r.guid},
                {"record", std::move(record)}};
}

void PrintText(const std::vector<StoredReport>& reports) {
    for (const StoredReport& stored : reports) {
        const Report& r = stored.arrival.report;
        std::printf("%s  %s  %s  machine %s  serial %s  version %s  system %s\n",
                    FormatUtc(stored.arrival.receivedMs).c_str(),
                    TerminalText(stored.arrival.clientAddress).c_str(),
                    TerminalText(r.activity).c_str(), TerminalText(r.machineId).c_str(),
                    TerminalText(r.serial).c_str(), TerminalText(r.productVersion).c_str(),
                    TerminalText(r.systemVersion).c_str());
    }
    std::printf("%zu report%s\n", reports.size(), reports.size() == 1 ? "" : "s");
}

Json CountsJson(const std::map<std::string, std::size_t>& counts) {
    Json object = Json::object();
    for (const auto& [name, count] : counts) object[name] = count;
    return object;
}

void PrintCounts(const char* title, const std::map<std::string, std::size_t>& counts) {
    std::printf("%s:\n", title);
    for (const auto& [name, count] : counts) {
        std::printf("  %-20s %zu\n", name.empty() ? "(none)" : TerminalText(name).c_str(), count);
    }
}

}  // namespace

int ListCommand(const std::vector<std::string>& arguments) {
    const auto request = ReadOptions(arguments);
    if (!request) return 2;
    const auto reports = FindReports(*request);
    if (!reports) return 1;
    if (!request->json) {
        PrintText(*reports);
        return 0;
    }
    Json list = Json::array();
    for (const StoredReport& stored : *reports) list.push_back(ReportJson(stored));
    // Invalid UTF-8 cannot be in a stored record; replace rather than fail should it be.
    std::printf("%s\n", list.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
    return 0;
}

int StatsCommand(const std::vector<std::string>& arguments) {
    const auto request = ReadOptions(arguments);
    if (!request) return 2;
    const auto reports = FindReports(*request);
    if (!reports) return 1;
    const ReportStats stats = ComputeStats(*reports);
    if (request->json) {
        const Json json{{"reports", stats.reports},
                        {"perDay", CountsJson(stats.perDay)},
                        {"perSystemVersion", CountsJson(stats.perSystemVersion)},
                        {"perProductVersion", CountsJson(stats.perProductVersion)},
                        {"machinesEntered", stats.machinesEntered},
                        {"machinesContinued", stats.machinesContinued}};
        std::printf("%s\n", json.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
        return 0;
    }
    std::printf("%zu reports\n", stats.reports);
    PrintCounts("Reports per day (UTC)", stats.perDay);
    PrintCounts("Reports per system version", stats.perSystemVersion);
    PrintCounts("Reports per product version", stats.perProductVersion);
    std::printf("Machines that entered the pane: %zu; went on past Continue: %zu\n",
                stats.machinesEntered, stats.machinesContinued);
    return 0;
}

}  // namespace inbox
