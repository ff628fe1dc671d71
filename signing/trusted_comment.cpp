#include "signing/trusted_comment.h"

#include <charconv>
#include <ctime>

namespace signing {
namespace {

bool IsField(std::string_view text) {
    return text.find_first_of(std::string_view("\t\n\r\0", 4)) == std::string_view::npos;
}

// The text after `name:` up to the next tab (or the end), taken off the front of `rest`.
std::optional<std::string_view> TakeField(std::string_view& rest, std::string_view name, bool last) {
    if (!rest.starts_with(name) || rest.substr(name.size()).substr(0, 1) != ":") return std::nullopt;
    rest.remove_prefix(name.size() + 1);
    const std::size_t tab = rest.find('\t');
    if (last != (tab == std::string_view::npos)) return std::nullopt;
    const std::string_view value = rest.substr(0, tab);
    rest = last ? std::string_view() : rest.substr(tab + 1);
    return value;
}

}  // namespace

std::optional<std::string> PackStampText(const PackStamp& stamp) {
    if (!IsField(stamp.identifier) || !IsField(stamp.version)) return std::nullopt;
    return "timestamp:" + std::to_string(stamp.timestamp) + "\tidentifier:" + stamp.identifier +
           "\tversion:" + stamp.version;
}

std::optional<PackStamp> ParsePackStamp(std::string_view comment) {
    std::string_view rest = comment;
    const auto timestamp = TakeField(rest, "timestamp", false);
    const auto identifier = timestamp ? TakeField(rest, "identifier", false) : std::nullopt;
    const auto version = identifier ? TakeField(rest, "version", true) : std::nullopt;
    if (!version || identifier->empty() || version->empty() || timestamp->empty()) return std::nullopt;
    PackStamp stamp;
    const char* end = timestamp->data() + timestamp->size();
    const auto parsed = std::from_chars(timestamp->data(), end, stamp.timestamp);
    if (parsed.ec != std::errc() || parsed.ptr != end || stamp.timestamp < 0) return std::nullopt;
    stamp.identifier = std::string(*identifier);
    stamp.version = std::string(*version);
    return stamp;
}

std::string StampTimeText(std::int64_t unixSeconds) {
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    if (gmtime_r(&time, &parts) == nullptr) return {};
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return std::string(text, length);
}

}  // namespace signing
