// The inbox's read-only page: the reports that pass the filters in a table, newest last,
// with a chart of reports per day, and the request counts since the server started. Built
// whole on the server, without script; the filters are the page's query parameters.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "inbox/stats/report_stats.h"
#include "inbox/store/report_store.h"

namespace inbox {

struct PageFilters {
    std::string since;  // as typed: "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SSZ"
    std::string machine;
    std::string serial;
    std::string version;
};

struct PageContent {
    PageFilters filters;
    std::string token;                 // carried in the filter form
    std::vector<StoredReport> shown;   // the newest of the matching reports, oldest first
    ReportStats stats;                 // of every matching report
    std::string counters;              // one line: what the server answered since it started
    std::string problem;               // a filter that could not be used, shown to the reader
};

std::string RenderReportPage(const PageContent& content);

}  // namespace inbox
