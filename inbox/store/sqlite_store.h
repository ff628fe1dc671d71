// The SQLite store: one file in WAL mode with synchronous=FULL, so a committed report
// survives a crash of the program or the machine.
#pragma once

#include <memory>
#include <string>

#include "inbox/store/report_store.h"

namespace inbox {

std::unique_ptr<ReportStore> OpenSqliteStore(const std::string& path, OpenMode mode,
                                             std::string* error);

}  // namespace inbox
