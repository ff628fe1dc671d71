// The PostgreSQL store over libpq: one connection, the same schema as the SQLite file. A
// statement returns only once the server has committed it (synchronous_commit as the server
// sets it; on by default).
#pragma once

#include <memory>
#include <string>

#include "inbox/store/report_store.h"

namespace inbox {

std::unique_ptr<ReportStore> OpenPostgresStore(const std::string& uri, std::string* error);

}  // namespace inbox
