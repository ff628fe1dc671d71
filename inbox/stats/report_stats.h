// The figures a maker's support team reads from the reports: how many arrived per day, per
// system version and per product version, and how many machines that entered the pane went
// on past Continue (a machine counts once however often it reported).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "inbox/store/report_store.h"

namespace inbox {

inline constexpr const char* kEnteredActivity = "Resource-Step1";
inline constexpr const char* kContinuedActivity = "Resource-Step2";

struct ReportStats {
    std::size_t reports = 0;
    std::map<std::string, std::size_t> perDay;            // "YYYY-MM-DD" (UTC)
    std::map<std::string, std::size_t> perSystemVersion;  // "OS_Version"
    std::map<std::string, std::size_t> perProductVersion; // "Version"; "" when null
    std::size_t machinesEntered = 0;    // machines with an entry report
    std::size_t machinesContinued = 0;  // of those, machines with a Continue report
};

ReportStats ComputeStats(const std::vector<StoredReport>& reports);

}  // namespace inbox
