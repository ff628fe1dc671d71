#include "inbox/store/filter_sql.h"

#include <string>

namespace inbox {
namespace {

void AddCondition(FilterQuery& query, const char* column, std::string value, char placeholder) {
    query.sql += query.values.empty() ? " WHERE " : " AND ";
    query.values.push_back(std::move(value));
    query.sql += std::string(column) + " = " + placeholder + std::to_string(query.values.size());
}

}  // namespace

FilterQuery BuildFilterQuery(const ReportFilter& filter, char placeholder) {
    FilterQuery query;
    query.sql = std::string("SELECT ") + kReportColumns + " FROM reports";
    if (filter.sinceMs) {
        query.values.push_back(std::to_string(*filter.sinceMs));
        query.sql += std::string(" WHERE received_ms >= ") +
                     (placeholder == '$' ? "$1::bigint" : "CAST(?1 AS INTEGER)");
    }
    if (!filter.machineId.empty()) AddCondition(query, "machine_id", filter.machineId, placeholder);
    if (!filter.serial.empty()) AddCondition(query, "serial", filter.serial, placeholder);
    if (!filter.productVersion.empty()) {
        AddCondition(query, "product_version", filter.productVersion, placeholder);
    }
    if (filter.limit == 0) {
        query.sql += " ORDER BY id";
        return query;
    }
    // The newest `limit`, turned back to oldest first.
    query.sql = "SELECT * FROM (" + query.sql + " ORDER BY id DESC LIMIT " +
                std::to_string(filter.limit) + ") AS newest ORDER BY id";
    return query;
}

}  // namespace inbox
