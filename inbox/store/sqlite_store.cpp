#include "inbox/store/sqlite_store.h"

#include <sqlite3.h>
#include <sys/stat.h>

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

// Never edit a migration once released: add the next one.
constexpr std::array<Migration, 2> kMigrations{{
    {1,
     "CREATE TABLE reports ("
     " id INTEGER PRIMARY KEY AUTOINCREMENT,"
     " received_ms INTEGER NOT NULL,"
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

constexpr int kBusyTimeoutMs = 10000;

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    if (text == nullptr) return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

StoredReport ReadRow(sqlite3_stmt* row) {
    StoredReport stored;
    stored.id = sqlite3_column_int64(row, 0);
    stored.arrival.receivedMs = sqlite3_column_int64(row, 1);
    stored.arrival.clientAddress = ColumnText(row, 2);
    Report& report = stored.arrival.report;
    report.guid = ColumnText(row, 3);
    report.machineId = ColumnText(row, 4);
    report.serial = ColumnText(row, 5);
    report.productVersion = ColumnText(row, 6);
    report.systemVersion = ColumnText(row, 7);
    report.activity = ColumnText(row, 8);
    report.record = ColumnText(row, 9);
    return stored;
}

class SqliteStore final : public ReportStore {
  public:
    explicit SqliteStore(sqlite3* db) : db_(db) {}
    ~SqliteStore() override {
        insert_.reset();
        sqlite3_close(db_);
    }
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    bool Prepare();
    bool Append(const std::vector<Arrival>& arrivals) override;
    std::optional<std::vector<StoredReport>> Find(const ReportFilter& filter) override;
    int SchemaVersion() override;
    const std::string& error() const override { return error_; }

  private:
    bool Exec(const char* sql);
    bool Fail(const char* what);
    bool Migrate();
    bool InsertOne(const Arrival& arrival);
    Statement Compile(const std::string& sql);

    sqlite3* db_;
    Statement insert_;
    std::string error_;
};

bool SqliteStore::Fail(const char* what) {
    error_ = std::string(what) + ": " + sqlite3_errmsg(db_);
    return false;
}

bool SqliteStore::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || Fail(sql);
}

Statement SqliteStore::Compile(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        Fail("prepare");
        return nullptr;
    }
    return Statement(statement);
}

int SqliteStore::SchemaVersion() {
    const Statement query = Compile("SELECT COALESCE(MAX(version), 0) FROM schema_version");
    if (!query || sqlite3_step(query.get()) != SQLITE_ROW) return -1;
    return sqlite3_column_int(query.get(), 0);
}

bool SqliteStore::Migrate() {
    if (!Exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)")) {
        return false;
    }
    // IMMEDIATE takes the write lock first, so two programs starting together migrate once.
    if (!Exec("BEGIN IMMEDIATE")) return false;
    const int current = SchemaVersion();
    bool ok = current >= 0;
    for (const Migration& migration : kMigrations) {
        if (!ok || migration.version <= current) continue;
        ok = Exec(migration.sql) &&
             Exec(("INSERT INTO schema_version VALUES (" + std::to_string(migration.version) +
                   ")").c_str());
    }
    if (!ok) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return Exec("COMMIT");
}

bool SqliteStore::Prepare() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=FULL")) return false;
    if (!Migrate()) return false;
    insert_ = Compile(
        "INSERT INTO reports (received_ms, client_address, guid, machine_id, serial,"
        " product_version, system_version, activity, record) VALUES (?,?,?,?,?,?,?,?,?)");
    return insert_ != nullptr;
}

bool SqliteStore::InsertOne(const Arrival& arrival) {
    sqlite3_stmt* s = insert_.get();
    sqlite3_reset(s);
    const Report& r = arrival.report;
    const std::array<const std::string*, 8> texts{&arrival.clientAddress, &r.guid,
                                                  &r.machineId,           &r.serial,
                                                  &r.productVersion,      &r.systemVersion,
                                                  &r.activity,            &r.record};
    bool ok = sqlite3_bind_int64(s, 1, arrival.receivedMs) == SQLITE_OK;
    int column = 2;
    for (const std::string* text : texts) {
        ok = ok && sqlite3_bind_text(s, column++, text->data(), static_cast<int>(text->size()),
                                     SQLITE_STATIC) == SQLITE_OK;
    }
    ok = ok && sqlite3_step(s) == SQLITE_DONE;
    sqlite3_clear_bindings(s);
    return ok || Fail("insert");
}

bool SqliteStore::Append(const std::vector<Arrival>& arrivals) {
    if (!Exec("BEGIN IMMEDIATE")) return false;
    for (const Arrival& arrival : arrivals) {
        if (!InsertOne(arrival)) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
    }
    return Exec("COMMIT");
}

std::optional<std::vector<StoredReport>> SqliteStore::Find(const ReportFilter& filter) {
    const FilterQuery query = BuildFilterQuery(filter, '?');
    const Statement statement = Compile(query.sql);
    if (!statement) return std::nullopt;
    int index = 1;
    for (const std::string& value : query.values) {
        sqlite3_bind_text(statement.get(), index++, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    }
    std::vector<StoredReport> found;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        found.push_back(ReadRow(statement.get()));
    }
    if (step != SQLITE_DONE) {
        Fail("query");
        return std::nullopt;
    }
    return found;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

std::unique_ptr<ReportStore> OpenSqliteStore(const std::string& path, OpenMode mode,
                                             std::string* error) {
    if (mode == OpenMode::ExistingOnly && !FileExists(path)) {
        *error = "no database at " + path;
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        *error = path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_close(db);
        return nullptr;
    }
    auto store = std::make_unique<SqliteStore>(db);
    if (!store->Prepare()) {
        *error = path + ": " + store->error();
        return nullptr;
    }
    return store;
}

}  // namespace inbox
