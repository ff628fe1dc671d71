// The install log keeps what was written as entries, so nobody reads the message back out of
// a formatted line.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "installer/model/install_log.h"

namespace installer_test {
namespace {

bool IsTimeOfDay(const std::string& time) {
    if (time.size() != 12) return false;
    for (std::size_t i = 0; i < time.size(); ++i) {
        const char expected = i == 2 || i == 5 ? ':' : i == 8 ? '.' : '0';
        if (expected == '0' ? std::isdigit(static_cast<unsigned char>(time[i])) == 0
                            : time[i] != expected) {
            return false;
        }
    }
    return time.substr(0, 2) < "24" && time.substr(3, 2) < "60" && time.substr(6, 2) < "61";
}

TEST(InstallLogEntries, KeepTheMessageAsWrittenWithItsTime) {
    const auto log = installer::InstallLog::InMemory();
    auto sink = log->sink();
    sink("didEnterPane");
    sink("    indented] detail");
    sink("2024-05-06 07:08:09.123 p[1:2] looks like a prefix");
    const auto entries = log->entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].message, "didEnterPane");
    EXPECT_EQ(entries[1].message, "    indented] detail");
    EXPECT_EQ(entries[2].message, "2024-05-06 07:08:09.123 p[1:2] looks like a prefix");
    for (const auto& entry : entries) EXPECT_TRUE(IsTimeOfDay(entry.time)) << entry.time;
}

TEST(InstallLogEntries, DropTheOldestPastTheKeptCount) {
    const auto log = installer::InstallLog::InMemory();
    auto sink = log->sink();
    for (std::size_t i = 0; i < installer::InstallLog::kKeptLines + 2; ++i) sink(std::to_string(i));
    const auto entries = log->entries();
    ASSERT_EQ(entries.size(), installer::InstallLog::kKeptLines);
    EXPECT_EQ(entries.front().message, "2");
    EXPECT_EQ(entries.back().message, std::to_string(installer::InstallLog::kKeptLines + 1));
}

}  // namespace
}  // namespace installer_test
