// Reading property lists: binary ("bplist00"), XML and old-style text, detected the way
// macOS detects them (binary by its magic, then XML, then old-style; text in UTF-8, or in
// UTF-16 with a byte-order mark).
//
// The files read here are written by other programs and users, so every reader treats its
// input as hostile: offsets and references are bounds-checked, nesting is limited, binary
// object cycles and shared-object blow-ups are refused, and the number of values produced is
// capped. Bad input reads as nothing, never as a crash, a hang or a huge allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "foundation/plist_value.h"
#include "platform_export.h"

namespace foundation {

// NSPropertyListFormat values.
enum class PlistFormat : unsigned { OpenStep = 1, Xml = 100, Binary = 200 };

// Limits that keep hostile input harmless. Depth counts nested containers (a dictionary in
// an array in the top dictionary is 3 deep); XML is further held to libxml2's own nesting
// limit, which allows 256 containers inside <plist>. Objects count every value produced, dictionary
// keys included, so a binary list whose objects are shared many times is refused before it is
// expanded; for the same reason the string and data bytes one read may produce are capped.
inline constexpr std::size_t kMaxPlistFileBytes = 16u * 1024 * 1024;
inline constexpr std::size_t kMaxPlistDepth = 512;
inline constexpr std::size_t kMaxPlistObjects = 1u << 20;
inline constexpr std::size_t kMaxPlistValueBytes = 64u * 1024 * 1024;

// Parses a whole property list of any of the three formats. On failure answers nothing and,
// when `errorDescription` is given, stores a one-line reason there. `format` receives the
// detected format on success and is left as it was on failure.
PACKGATE_PLATFORM_API std::optional<PlistValue> ParsePropertyList(
    std::span<const std::uint8_t> bytes, std::string* errorDescription = nullptr,
    unsigned* format = nullptr);

// A strings file (Localizable.strings): the old-style strings-file form, a dictionary
// without braces, or any property list whose top level is a dictionary of strings. Entries
// whose value is not a string are left out; a file of only comments is an empty table.
PACKGATE_PLATFORM_API std::optional<PlistDict> ParseStringsTable(
    std::span<const std::uint8_t> bytes);

// The file at `path` read whole as a property list whose top level is a dictionary
// (`initWithContentsOfFile:` of a mutable dictionary). Nothing when the path is absent, the
// file is missing, unreadable, larger than kMaxPlistFileBytes, not a property list, or not a
// dictionary at its top.
PACKGATE_PLATFORM_API std::optional<PlistDict> DictionaryWithContentsOfFile(
    const std::optional<std::string>& path);

}  // namespace foundation
