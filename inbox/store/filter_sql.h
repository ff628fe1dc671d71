// The WHERE and LIMIT of a report query, shared by both databases; only their placeholders
// differ ("?1" in SQLite, "$1" in PostgreSQL).
#pragma once

#include <string>
#include <vector>

#include "inbox/store/report_store.h"

namespace inbox {

struct FilterQuery {
    std::string sql;                  // the whole SELECT
    std::vector<std::string> values;  // the placeholders' values in order, as text
};

// The columns every query selects, in the order ReadStoredReport-style readers expect.
inline constexpr const char* kReportColumns =
    "id, received_ms, client_address, guid, machine_id, serial, product_version, "
    "system_version, activity, record";
inline constexpr int kReportColumnCount = 10;

// The query of `filter`; `placeholder` is '?' or '$'.
FilterQuery BuildFilterQuery(const ReportFilter& filter, char placeholder);

}  // namespace inbox
