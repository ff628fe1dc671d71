// Chooses the database by the form of its name.
#include <string>

#include "inbox/store/postgres_store.h"
#include "inbox/store/report_store.h"
#include "inbox/store/sqlite_store.h"

namespace inbox {

bool IsPostgresAddress(const std::string& database) {
    return database.starts_with("postgresql://") || database.starts_with("postgres://");
}

std::unique_ptr<ReportStore> OpenReportStore(const std::string& database, OpenMode mode,
                                             std::string* error) {
    if (database.empty()) {
        *error = "no database named";
        return nullptr;
    }
    if (IsPostgresAddress(database)) return OpenPostgresStore(database, error);
    return OpenSqliteStore(database, mode, error);
}

}  // namespace inbox
