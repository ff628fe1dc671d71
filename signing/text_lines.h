// The pieces every minisign file is made of: "prefix: text" lines and base64 lines.
// Internal to the signing library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace signing {

inline constexpr char kUntrustedPrefix[] = "untrusted comment: ";
inline constexpr char kTrustedPrefix[] = "trusted comment: ";

// The lines of `text`: split at line feeds, a CR before each taken off, one final line
// feed allowed. Nothing when there are more than `maxLines` lines.
std::optional<std::vector<std::string_view>> SplitLines(std::string_view text, std::size_t maxLines);

// The text after `prefix` on `line`; nothing when the line does not start with it.
std::optional<std::string_view> AfterPrefix(std::string_view line, std::string_view prefix);

// Standard base64 with padding, as minisign writes it; Decode answers nothing unless the
// whole line decodes to exactly `size` bytes.
std::string Base64(const std::uint8_t* bytes, std::size_t size);
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view line, std::size_t size);

// Whether `text` can stand on one line: no line feed, CR or NUL.
bool IsOneLine(std::string_view text);

}  // namespace signing
