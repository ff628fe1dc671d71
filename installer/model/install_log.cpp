#include "installer/model/install_log.h"

#include <unistd.h>

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

// The local time of day now, to the millisecond, as the log file's lines give it: their prefix
// starts "YYYY-MM-DD hh:mm:ss.mmm ".
std::string TimeOfDayNow() {
    constexpr std::size_t kTimeAt = 11;
    constexpr std::size_t kTimeLength = 12;
    return foundation::LogLinePrefix().substr(kTimeAt, kTimeLength);
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
