// The trusted comment of a pack's signature, which ties the signature to one pack:
//     timestamp:<unix seconds>\tidentifier:<id>\tversion:<version>
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace signing {

struct PackStamp {
    std::int64_t timestamp = 0;  // Unix seconds when it was signed.
    std::string identifier;
    std::string version;
};

// The comment for `stamp`; nothing when the identifier or version holds a tab or line break.
std::optional<std::string> PackStampText(const PackStamp& stamp);

// The stamp in `comment`: exactly the three fields in that order; nothing otherwise.
std::optional<PackStamp> ParsePackStamp(std::string_view comment);

// "2026-12-09 16:30:00 UTC".
std::string StampTimeText(std::int64_t unixSeconds);

}  // namespace signing
