// Where the inbox keeps reports: one interface over two databases (SQLite, the default that
// needs no set-up, and PostgreSQL), one schema and its versioned migrations, applied when a
// store is opened. A store is used by one thread at a time; threads open their own.
// Failures are answers: false or nothing, with the reason in error().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inbox/body/report_body.h"

namespace inbox {

// A report as it arrived: when (milliseconds since 1970, UTC) and from which address.
struct Arrival {
    std::int64_t receivedMs = 0;
    std::string clientAddress;
    Report report;
};

struct StoredReport {
    std::int64_t id = 0;
    Arrival arrival;
};

// Which reports to read; an empty text or absent value does not filter.
struct ReportFilter {
    std::optional<std::int64_t> sinceMs;
    std::string machineId;
    std::string serial;
    std::string productVersion;
    std::size_t limit = 0;  // 0: all; otherwise the newest `limit`, still oldest first
};

class ReportStore {
  public:
    virtual ~ReportStore() = default;
    // Stores all of `arrivals` in one transaction: true only once they are durable; on false
    // none of them is stored.
    virtual bool Append(const std::vector<Arrival>& arrivals) = 0;
    // The reports that pass `filter`, oldest first; nothing when the database failed.
    virtual std::optional<std::vector<StoredReport>> Find(const ReportFilter& filter) = 0;
    // The schema version in use.
    virtual int SchemaVersion() = 0;
    virtual const std::string& error() const = 0;
};

enum class OpenMode { CreateIfMissing, ExistingOnly };

// The store named by `database`: "postgresql://..." or "postgres://..." is a PostgreSQL
// connection URI, anything else a SQLite file. Null, with the reason in `*error`, when it
// cannot be opened or migrated.
std::unique_ptr<ReportStore> OpenReportStore(const std::string& database, OpenMode mode,
                                             std::string* error);

// True when `database` names a PostgreSQL server rather than a SQLite file.
bool IsPostgresAddress(const std::string& database);

}  // namespace inbox
