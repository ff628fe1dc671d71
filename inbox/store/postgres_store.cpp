#include "inbox/store/postgres_store.h"

#include <libpq-fe.h>

#include <array>
#include <string>
#include <vector>

#include "inbox/store/filter_sql.h"

namespace inbox {
namespace {

struct Migration {
    int version;
    const char* sql;
};

// The same versions as the SQLite file's; never edit one once released.
constexpr std::array<Migration, 2> kMigrations{{
    {1,
     "CREATE TABLE reports ("
     " id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
     " received_ms BIGINT NOT NULL,"
     " client_address TEXT NOT NULL,"
     " guid TEXT NOT NULL,"
     " machine_id TEXT NOT NULL,"
     " serial TEXT NOT NULL,"
     " product_version TEXT NOT NULL,"
     " system_version TEXT NOT NULL,"
     " activity TEXT NOT NULL,"
     " record TEXT NOT NULL)"},
    {2,
     "CREATE INDEX reports_received ON reports (received_ms);"
     "CREATE INDEX reports_machine ON reports (machine_id);"
     "CREATE INDEX reports_serial ON reports (serial)"},
}};

// Any number the schema's migrations hold the lock under; one migration at a time.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(7244101)";
constexpr int kArrivalColumns = 9;

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

bool Succeeded(const Result& result) {
    const auto status = PQresultStatus(result.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

StoredReport ReadRow(PGresult* rows, int row) {
    auto text = [&](int column) {
        return std::string(PQgetvalue(rows, row, column),
                           static_cast<std::size_t>(PQgetlength(rows, row, column)));
    };
    StoredReport stored;
    stored.id = std::stoll(text(0));
    stored.arrival.receivedMs = std::stoll(text(1));
    stored.arrival.clientAddress = text(2);
    Report& report = stored.arrival.report;
    report.guid = text(3);
    report.machineId = text(4);
    report.serial = text(5);
    report.productVersion = text(6);
    report.systemVersion = text(7);
    report.activity = text(8);
    report.record = text(9);
    return stored;
}

class PostgresStore final : public ReportStore {
  public:
    explicit PostgresStore(PGconn* connection) : connection_(connection) {}
    ~PostgresStore() override { PQfinish(connection_); }
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    bool Migrate();
    bool Append(const std::vector<Arrival>& arrivals) override;
    std::optional<std::vector<StoredReport>> Find(const ReportFilter& filter) override;
    int SchemaVersion() override;
    const std::string& error() const override { return error_; }

  private:
    Result Run(const std::string& sql, const std::vector<const char*>& values = {},
               const std::vector<int>& lengths = {});
    // One or more statements without parameters.
    bool Exec(const std::string& sql);

    PGconn* connection_;
    std::string error_;
};

Result PostgresStore::Run(const std::string& sql, const std::vector<const char*>& values,
                          const std::vector<int>& lengths) {
    // A server that restarted, or a connection that broke, is connected anew; the statement
    // that found it broken has failed, so its callers were told.
    if (PQstatus(connection_) == CONNECTION_BAD) PQreset(connection_);
    Result result(PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()),
                               nullptr, values.data(), lengths.empty() ? nullptr : lengths.data(),
                               nullptr, 0));
    if (!Succeeded(result)) error_ = PQerrorMessage(connection_);
    return result;
}

bool PostgresStore::Exec(const std::string& sql) {
    if (PQstatus(connection_) == CONNECTION_BAD) PQreset(connection_);
    const Result result(PQexec(connection_, sql.c_str()));
    if (Succeeded(result)) return true;
    error_ = PQerrorMessage(connection_);
    return false;
}

int PostgresStore::SchemaVersion() {
    const Result result = Run("SELECT COALESCE(MAX(version), 0) FROM schema_version");
    if (!Succeeded(result) || PQntuples(result.get()) != 1) return -1;
    return std::stoi(PQgetvalue(result.get(), 0, 0));
}

bool PostgresStore::Migrate() {
    if (!Exec("SET client_min_messages TO warning") ||
        !Exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)") ||
        !Exec("BEGIN") || !Exec(kMigrationLock)) {
        return false;
    }
    const int current = SchemaVersion();
    bool ok = current >= 0;
    for (const Migration& migration : kMigrations) {
        if (!ok || migration.version <= current) continue;
        ok = Exec(migration.sql) &&
             Exec("INSERT INTO schema_version VALUES (" + std::to_string(migration.version) + ")");
    }
    if (!ok) {
        Exec("ROLLBACK");
        return false;
    }
    return Exec("COMMIT");
}

// One INSERT of every row: a single statement commits on its own, all rows or none.
bool PostgresStore::Append(const std::vector<Arrival>& arrivals) {
    if (arrivals.empty()) return true;
    std::string sql =
        "INSERT INTO reports (received_ms, client_address, guid, machine_id, serial,"
        " product_version, system_version, activity, record) VALUES ";
    std::vector<std::string> times;
    times.reserve(arrivals.size());
    std::vector<const char*> values;
    std::vector<int> lengths;
    int parameter = 0;
    for (const Arrival& arrival : arrivals) {
        times.push_back(std::to_string(arrival.receivedMs));
        const Report& r = arrival.report;
        const std::array<const std::string*, kArrivalColumns> row{
            &times.back(), &arrival.clientAddress, &r.guid, &r.machineId, &r.serial,
            &r.productVersion, &r.systemVersion, &r.activity, &r.record};
        sql += parameter == 0 ? "(" : ",(";
        for (std::size_t column = 0; column < row.size(); ++column) {
            sql += (column == 0 ? "$" : ",$") + std::to_string(++parameter);
            if (column == 0) sql += "::bigint";
            values.push_back(row[column]->c_str());
            lengths.push_back(static_cast<int>(row[column]->size()));
        }
        sql += ")";
    }
    return Succeeded(Run(sql, values, lengths));
}

std::optional<std::vector<StoredReport>> PostgresStore::Find(const ReportFilter& filter) {
    const FilterQuery query = BuildFilterQuery(filter, '$');
    std::vector<const char*> values;
    for (const std::string& value : query.values) values.push_back(value.c_str());
    const Result result = Run(query.sql, values);
    if (!Succeeded(result)) return std::nullopt;
    std::vector<StoredReport> found;
    const int rows = PQntuples(result.get());
    if (PQnfields(result.get()) != kReportColumnCount) return std::nullopt;
    for (int row = 0; row < rows; ++row) found.push_back(ReadRow(result.get(), row));
    return found;
}

}  // namespace

std::unique_ptr<ReportStore> OpenPostgresStore(const std::string& uri, std::string* error) {
    PGconn* connection = PQconnectdb(uri.c_str());
    if (connection == nullptr || PQstatus(connection) != CONNECTION_OK) {
        *error = connection != nullptr ? PQerrorMessage(connection) : "out of memory";
        PQfinish(connection);
        return nullptr;
    }
    auto store = std::make_unique<PostgresStore>(connection);
    if (!store->Migrate()) {
        *error = store->error();
        return nullptr;
    }
    return store;
}

}  // namespace inbox
