// packgate-inbox under load on this machine: CLIENTS processes post REPORTS each through the
// real libsetupnet (a new TLS connection per report, as the pane makes), into SQLite and into
// PostgreSQL. For each: reports per second, the 99th percentile of a post's time, and what
// was acknowledged against what is stored (none may be lost). The reference, measured in the
// same run, is the same load of bodies the inbox refuses: all of its work but the storing.
//
//   bench_inbox [CLIENTS [REPORTS]]      (default 48 clients x 100 reports)
//
// A report is acknowledged only once it is on disk, and one flush acknowledges every report
// waiting for it: how many clients post at once therefore sets how many reports share a
// flush. The default stands for the many machines of a maker's users posting side by side.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "inbox_process.h"
#include "load_clients.h"
#include "postgres_server.h"
#include "scratch_folder.h"

namespace {

struct LoadResult {
    std::size_t acknowledged = 0;
    std::size_t failed = 0;
    std::size_t stored = 0;
    std::size_t lost = 0;
    double perSecond = 0;
    double p99Ms = 0;
    double serverCpuMsPerReport = 0;  // the inbox's own processor time per request
};

// The processor time (user and system) the process `pid` has used so far, in milliseconds.
double ProcessCpuMs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14 || index == 15) ticks += std::stod(field);  // utime, stime
        if (index == 15) break;
    }
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Percentile99Ms(std::vector<std::int64_t> micros) {
    if (micros.empty()) return 0;
    std::sort(micros.begin(), micros.end());
    const std::size_t at = std::min(micros.size() - 1, micros.size() * 99 / 100);
    return static_cast<double>(micros[at]) / 1000.0;
}

// Stored GUIDs per `list --json`, read without a JSON library: each entry has one "guid".
std::set<std::string> StoredGuids(const std::string& database) {
    const auto list = inbox_test::RunInbox({"list", "--json", "--database", database});
    std::set<std::string> guids;
    const std::string key = "\"guid\": \"";
    for (auto at = list.output.find(key); at != std::string::npos; at = list.output.find(key, at + 1)) {
        const auto start = at + key.size();
        guids.insert(list.output.substr(start, list.output.find('"', start) - start));
    }
    return guids;
}

LoadResult RunLoad(const std::string& folder, const std::string& database, int clients, int each,
                   bool refused) {
    LoadResult result;
    auto server = inbox_test::InboxServer::Start(folder, database, {"--rate", "0", "--workers", "64"});
    if (!server) {
        std::fprintf(stderr, "bench_inbox: packgate-inbox did not start\n");
        return result;
    }
    const std::string url = "https://127.0.0.1:" + std::to_string(server->port()) + "/installer/log";
    const auto start = std::chrono::steady_clock::now();
    inbox_test::LoadClients load(INBOX_LOAD_CLIENT, url, server->certificate(), clients, each,
                                 refused ? "r" : "s", refused);
    const auto outcome = load.Finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double serverCpuMs = ProcessCpuMs(server->pid());
    server->Stop();
    const std::size_t requests = outcome.acknowledged.size() + outcome.failed;
    result.serverCpuMsPerReport = requests > 0 ? serverCpuMs / static_cast<double>(requests) : 0;
    result.acknowledged = outcome.acknowledged.size();
    result.failed = outcome.failed;
    result.perSecond = static_cast<double>(result.acknowledged) / seconds;
    result.p99Ms = Percentile99Ms(outcome.micros);
    if (refused) return result;
    const auto stored = StoredGuids(database);
    result.stored = stored.size();
    for (const auto& guid : outcome.acknowledged) result.lost += stored.count(guid) == 0 ? 1u : 0u;
    return result;
}

void Print(const char* name, const LoadResult& load, const LoadResult& reference) {
    std::printf("  %-11s %6zu acknowledged, %6zu stored, %zu lost, %zu failed; %7.0f reports/s "
                "(%.2f of the reference); p99 %.1f ms (reference %.1f ms); inbox CPU %.2f ms a "
                "report (reference %.2f)\n",
                name, load.acknowledged, load.stored, load.lost, load.failed, load.perSecond,
                reference.perSecond > 0 ? load.perSecond / reference.perSecond : 0.0, load.p99Ms,
                reference.p99Ms, load.serverCpuMsPerReport, reference.serverCpuMsPerReport);
}

}  // namespace

int main(int argc, char** argv) {
    const int clients = argc > 1 ? std::stoi(argv[1]) : 48;
    const int each = argc > 2 ? std::stoi(argv[2]) : 100;
    packgate_test::ScratchFolder folder("packgate-inbox-bench");
    std::printf("packgate-inbox under load: %d clients x %d reports through libsetupnet\n", clients, each);

    const LoadResult reference = RunLoad(folder.path(), folder / "reference.sqlite", clients, each, true);
    std::printf("  reference   %6zu refused as asked; %7.0f requests/s; p99 %.1f ms; inbox CPU "
                "%.2f ms a request\n",
                reference.acknowledged, reference.perSecond, reference.p99Ms,
                reference.serverCpuMsPerReport);
    const LoadResult sqlite = RunLoad(folder.path(), folder / "reports.sqlite", clients, each, false);
    Print("SQLite", sqlite, reference);

    std::string why;
    const auto postgres = inbox_test::NewPostgresDatabase("inbox_bench", &why);
    LoadResult onPostgres;
    if (postgres) {
        onPostgres = RunLoad(folder.path(), *postgres, clients, each, false);
        Print("PostgreSQL", onPostgres, reference);
    } else {
        std::printf("  PostgreSQL  not measured: %s\n", why.c_str());
    }
    constexpr double kGoalPerSecond = 1000;
    std::printf("goal: at least %.0f reports/s with SQLite: %s\n", kGoalPerSecond,
                sqlite.perSecond >= kGoalPerSecond ? "met" : "not met");
    const bool lost = sqlite.lost > 0 || onPostgres.lost > 0;
    if (lost) std::printf("bench_inbox: acknowledged reports were lost\n");
    return lost ? 1 : 0;
}
