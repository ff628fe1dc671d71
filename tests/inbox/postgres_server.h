// A real PostgreSQL 15 server for the tests: initdb in a scratch folder and postgres on a
// free loopback port, run as an unprivileged user when the tests run as root (the server
// refuses root). Started once per test program, stopped when the program ends.
#pragma once

#include <optional>
#include <string>

namespace inbox_test {

// The connection URI of the program's server, or nothing with the reason in `*why` when
// PostgreSQL is not installed or would not start. The first call starts it.
std::optional<std::string> PostgresUri(std::string* why);

// A new empty database on that server; its URI. Each test takes its own.
std::optional<std::string> NewPostgresDatabase(const std::string& name, std::string* why);

}  // namespace inbox_test
