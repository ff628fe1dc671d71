// The install log: every log line of the host and the plug-in goes to the log file and
// is kept in memory too, so the terminal screen can show this run's lines on request
// without ever printing them over the pane.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/system_log.h"

namespace installer {

// One line of the log as it was written: when, and what.
struct LogEntry {
    std::string time;     // Local time of day, "hh:mm:ss.mmm".
    std::string message;  // As the writer gave it, indentation kept.
};

class InstallLog {
  public:
    // Lines kept in memory; older ones are dropped first.
    static constexpr std::size_t kKeptLines = 5000;

    // Opens `path` for appending ("-" means standard error). Nothing when it cannot be
    // opened.
    static std::unique_ptr<InstallLog> Open(const std::string& path);
    // A log that only keeps its lines in memory.
    static std::unique_ptr<InstallLog> InMemory();

    // The sink that writes to this log; the log must outlive every use of it.
    foundation::LogSink sink();
    // This run's entries, oldest first.
    std::vector<LogEntry> entries() const;
    // The file's path, or nothing when the log is kept in memory only.
    const std::optional<std::string>& path() const { return path_; }

  private:
    InstallLog(std::optional<std::string> path, foundation::LogSink fileSink);
    void write(std::string_view message);

    std::optional<std::string> path_;
    foundation::LogSink fileSink_;
    mutable std::mutex mutex_;
    std::deque<LogEntry> entries_;
};

// <home>/Library/Logs/Packgate-install.log.
std::string DefaultInstallLogPath(const std::string& home);

}  // namespace installer
