#include "installer/model/install_log.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "foundation/paths.h"
#include "installer/model/model_room.h"  // Last: see there.

namespace installer {
namespace {

// Writes the whole line to standard error, as the platform's default sink would.
void WriteToStandardError(std::string_view message) {
    std::string line = foundation::LogLinePrefix() + " ";
    line += message;
    line += '\n';
    std::string_view rest = line;
    while (!rest.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written <= 0) return;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The local time of day now, to the millisecond.
std::string TimeOfDayNow() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local {};
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(now.tv_nsec / 1000000));
    return stamp;
}

}  // namespace

InstallLog::InstallLog(std::optional<std::string> path, foundation::LogSink fileSink)
    : path_(std::move(path)), fileSink_(std::move(fileSink)) {}

std::unique_ptr<InstallLog> InstallLog::Open(const std::string& path) {
    if (path == "-") {
        return std::unique_ptr<InstallLog>(new InstallLog(std::nullopt, &WriteToStandardError));
    }
    auto fileSink = foundation::FileLogSink(path);
    if (!fileSink) return nullptr;
    return std::unique_ptr<InstallLog>(new InstallLog(path, std::move(*fileSink)));
}

std::unique_ptr<InstallLog> InstallLog::InMemory() {
    return std::unique_ptr<InstallLog>(new InstallLog(std::nullopt, {}));
}

foundation::LogSink InstallLog::sink() {
    return [this](std::string_view message) { write(message); };
}

void InstallLog::write(std::string_view message) {
    if (fileSink_) fileSink_(message);
    LogEntry entry{TimeOfDayNow(), std::string(message)};
    const std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
    if (entries_.size() > kKeptLines) entries_.pop_front();
}

std::vector<LogEntry> InstallLog::entries() const {
    const std::lock_guard lock(mutex_);
    return {entries_.begin(), entries_.end()};
}

std::string DefaultInstallLogPath(const std::string& home) {
    const std::string logs = foundation::StringByAppendingPathComponent(
        foundation::StringByAppendingPathComponent(home, "Library"), "Logs");
    return foundation::StringByAppendingPathComponent(logs, "Packgate-install.log");
}

}  // namespace installer
