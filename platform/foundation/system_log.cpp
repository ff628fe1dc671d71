#include "foundation/system_log.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>

#include "system/posix_calls.h"

namespace foundation {
namespace {

// ---- Formatting -------------------------------------------------------------------------

enum class Kind { Object, Signed, Unsigned };

struct Directive {
    Kind kind;
    bool wide;           // An "l" or "ll" length: the value has 64 bits.
    std::size_t length;  // Characters of the directive after the '%'.
};

// The directive that starts after a '%' at the start of `rest`, or nothing when it is not
// one that this log understands.
std::optional<Directive> ReadDirective(std::string_view rest) {
    if (rest.starts_with("@")) return Directive{Kind::Object, false, 1};
    std::size_t lengthChars = 0;
    if (rest.starts_with("ll")) {
        lengthChars = 2;
    } else if (rest.starts_with("l")) {
        lengthChars = 1;
    }
    if (rest.size() <= lengthChars) return std::nullopt;
    const char conversion = rest[lengthChars];
    const bool wide = lengthChars > 0;
    if (conversion == 'd' || conversion == 'i') {
        return Directive{Kind::Signed, wide, lengthChars + 1};
    }
    if (conversion == 'u') return Directive{Kind::Unsigned, wide, lengthChars + 1};
    return std::nullopt;
}

std::string DescribeValue(const PlistValue& value) {
    // A string stands for itself, as NSString's description does; containers and numbers
    // take the old-style description form.
    if (const std::string* text = value.string()) return *text;
    return DescribePlist(value);
}

// %@: texts as they are, property-list values described, numbers in decimal.
std::string AsObject(const LogArg& arg) {
    struct Visitor {
        std::string operator()(std::monostate) const { return "(null)"; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const PlistValue& v) const { return DescribeValue(v); }
        std::string operator()(std::int64_t i) const { return std::to_string(i); }
        std::string operator()(std::uint64_t u) const { return std::to_string(u); }
    };
    return std::visit(Visitor{}, arg.storage());
}

// An integer directive: a number in decimal; an absent argument 0. A negative number under
// an unsigned directive wraps at the directive's width, as the C library prints it. Any
// other argument (a text given where the translation put %d) is printed as %@ prints it,
// so nothing that was passed is lost.
std::string AsInteger(const LogArg& arg, const Directive& directive) {
    const auto& storage = arg.storage();
    if (std::holds_alternative<std::monostate>(storage)) return "0";
    if (const auto* u = std::get_if<std::uint64_t>(&storage)) return std::to_string(*u);
    if (const auto* i = std::get_if<std::int64_t>(&storage)) {
        if (directive.kind == Kind::Signed || *i >= 0) return std::to_string(*i);
        const auto bits = static_cast<std::uint64_t>(*i);
        return std::to_string(directive.wide ? bits : (bits & 0xFFFFFFFFu));
    }
    return AsObject(arg);
}

// ---- Sinks --------------------------------------------------------------------------------

struct SinkState {
    std::mutex mutex;
    LogSink sink;  // Empty: the default sink.
};

// Never destroyed, so lines logged while the program's statics are torn down still work.
SinkState& Sinks() {
    static auto* state = new SinkState;
    return *state;
}

std::string PrefixedLine(std::string_view message) {
    std::string line = LogLinePrefix();
    line += ' ';
    line += message;
    line += '\n';
    return line;
}

bool WriteLine(int fd, std::string_view message) {
    const std::string line = PrefixedLine(message);
    return platform::WriteAll(
        fd, std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
}

void DefaultSink(std::string_view message) {
    WriteLine(STDERR_FILENO, message);
}

// Creates the folders above `path` that are missing.
void MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (folder.empty() || folder.back() == '/') continue;
        platform::Posix().mkdir(folder.c_str(), 0755);  // EEXIST is the usual answer.
    }
}

class LogFile {
  public:
    explicit LogFile(int fd) : fd_(fd) {}
    ~LogFile() { platform::CloseOnce(fd_); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

LogArg::LogArg(const std::vector<std::string>& names) {
    PlistArray array;
    array.reserve(names.size());
    for (const std::string& name : names) array.emplace_back(name);
    storage_ = PlistValue(std::move(array));
}

std::string FormatMessage(std::string_view format, std::span<const LogArg> args) {
    static const LogArg kMissing{static_cast<const char*>(nullptr)};
    std::string out;
    out.reserve(format.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        const std::string_view rest = format.substr(i + 1);
        if (rest.starts_with("%")) {
            out += '%';
            ++i;
            continue;
        }
        const auto directive = ReadDirective(rest);
        if (!directive) {
            out += '%';  // Printed literally; what follows is copied as plain text.
            continue;
        }
        const LogArg& arg = next < args.size() ? args[next] : kMissing;
        ++next;
        out += directive->kind == Kind::Object ? AsObject(arg) : AsInteger(arg, *directive);
        i += directive->length;
    }
    return out;
}

std::string LogLinePrefix() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local {};
    localtime_r(&now.tv_sec, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(now.tv_nsec / 1000000));
    std::string prefix = stamp;
    prefix += program_invocation_short_name;
    prefix += '[' + std::to_string(getpid()) + ':' + std::to_string(gettid()) + ']';
    return prefix;
}

LogSink SetLogSink(LogSink sink) {
    auto& state = Sinks();
    const std::lock_guard lock(state.mutex);
    std::swap(state.sink, sink);
    return sink;
}

std::optional<LogSink> FileLogSink(const std::string& path) {
    if (path.empty()) return std::nullopt;
    MakeParentFolders(path);
    // O_NONBLOCK: a FIFO without a reader fails at once instead of hanging the program.
    const int fd = platform::OpenRetrying(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) return std::nullopt;
    auto file = std::make_shared<LogFile>(fd);
    // One write a line, so lines of several processes appending to the file never mix.
    return LogSink([file](std::string_view message) { WriteLine(file->fd(), message); });
}

void LogMessage(std::string_view format, std::span<const LogArg> args) {
    const std::string message = FormatMessage(format, args);
    LogSink sink;
    {
        auto& state = Sinks();
        const std::lock_guard lock(state.mutex);
        sink = state.sink;
    }
    // Called outside the lock, so a sink may itself log or replace the sink.
    if (sink) {
        sink(message);
    } else {
        DefaultSink(message);
    }
}

}  // namespace foundation
