#include "inbox/stats/report_stats.h"

#include <set>

#include "inbox/stats/utc_time.h"

namespace inbox {

ReportStats ComputeStats(const std::vector<StoredReport>& reports) {
    ReportStats stats;
    std::set<std::string> entered;
    std::set<std::string> continued;
    for (const StoredReport& stored : reports) {
        const Report& report = stored.arrival.report;
        ++stats.reports;
        ++stats.perDay[DayOf(stored.arrival.receivedMs)];
        ++stats.perSystemVersion[report.systemVersion];
        ++stats.perProductVersion[report.productVersion];
        if (report.activity == kEnteredActivity) entered.insert(report.machineId);
        if (report.activity == kContinuedActivity) continued.insert(report.machineId);
    }
    stats.machinesEntered = entered.size();
    for (const std::string& machine : continued) {
        if (entered.count(machine) != 0) ++stats.machinesContinued;
    }
    return stats;
}

}  // namespace inbox
