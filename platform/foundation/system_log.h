// The system log (NSLog): one line per event, from a format text and typed arguments.
//
// Every line of the system is written through NSLog with its exact format text, so a line
// can be found in the code by searching for that text. The format understands:
//   %@                 a text (absent prints "(null)") or a property-list value, printed in
//                      its old-style description form (DescribePlist)
//   %d %i %ld %lld     a signed integer
//   %u %lu %llu        an unsigned integer
//   %%                 a percent sign
// Any other directive is printed literally and consumes no argument; a directive without an
// argument left prints "(null)" for %@ and 0 for an integer. So a format that comes from a
// translation can never crash or read what was not passed. An argument of the wrong kind
// still shows what was passed: %@ prints a number in decimal, an integer directive prints a
// text as %@ would (an absent one as 0), and a negative number under %u, %lu or %llu wraps
// at 32 or 64 bits as the C library prints it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/plist_value.h"
#include "platform_export.h"

namespace foundation {

// One argument of a log line. Implicit conversions keep call sites short:
// NSLog("strPlist:%@", path).
class PACKGATE_PLATFORM_API LogArg {
  public:
    using Storage = std::variant<std::monostate, std::string, PlistValue, std::int64_t,
                                 std::uint64_t>;

    LogArg(const std::optional<std::string>& s) {
        if (s) storage_ = *s;
    }
    LogArg(const std::string& s) : storage_(s) {}
    LogArg(const char* s) {
        if (s) storage_ = std::string(s);
    }
    LogArg(const PlistValue& v) : storage_(v) {}
    LogArg(const std::optional<PlistValue>& v) {
        if (v) storage_ = *v;
    }
    // A dictionary that may be absent (null prints "(null)").
    LogArg(const PlistDict* d) {
        if (d) storage_ = PlistValue(*d);
    }
    LogArg(const std::vector<std::string>& names);
    LogArg(int i) : storage_(std::int64_t{i}) {}
    LogArg(long i) : storage_(std::int64_t{i}) {}
    LogArg(long long i) : storage_(std::int64_t{i}) {}
    LogArg(unsigned i) : storage_(std::uint64_t{i}) {}
    LogArg(unsigned long i) : storage_(std::uint64_t{i}) {}
    LogArg(unsigned long long i) : storage_(std::uint64_t{i}) {}

    const Storage& storage() const { return storage_; }

private:
    Storage storage_;
};

// The message a format and its arguments make (no prefix, no line break).
PACKGATE_PLATFORM_API std::string FormatMessage(std::string_view format,
                                                std::span<const LogArg> args);

// Where log messages go. The sink receives the message alone; the default sink writes
// "YYYY-MM-DD hh:mm:ss.mmm process[pid:tid] message" in local time to standard error.
using LogSink = std::function<void(std::string_view message)>;
// Replaces the sink; an empty function restores the default. Answers the previous sink.
PACKGATE_PLATFORM_API LogSink SetLogSink(LogSink sink);
// A sink that appends prefixed lines to the file at `path` (created when missing, with the
// folders above it), one write a line; nothing when the file cannot be opened. A failed
// write drops its line.
PACKGATE_PLATFORM_API std::optional<LogSink> FileLogSink(const std::string& path);
// The prefix of a line written now, without the trailing space.
PACKGATE_PLATFORM_API std::string LogLinePrefix();

PACKGATE_PLATFORM_API void LogMessage(std::string_view format, std::span<const LogArg> args);

template <class... Args>
void NSLog(std::string_view format, const Args&... args) {
    const std::array<LogArg, sizeof...(Args)> list{LogArg(args)...};
    LogMessage(format, list);
}

}  // namespace foundation
