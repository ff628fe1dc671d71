// Text and scalar codecs shared by the property-list readers, the writer and the description:
// UTF-8 and UTF-16, numbers, base64 and dates. Private to platform/foundation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "foundation/plist_value.h"
#include "system/utf8_text.h"

namespace foundation::plist_internal {

using platform::IsValidUtf8;
using platform::kReplacementCharacter;

// Appends the UTF-8 form of `codePoint`; surrogates and values beyond U+10FFFF, which a
// property list's escapes and UTF-16 can spell, become U+FFFD.
void AppendUtf8OrReplacement(std::string& out, char32_t codePoint);

// UTF-16 code units to UTF-8. A surrogate without its partner becomes U+FFFD: a UTF-8 string
// cannot hold it, and one bad character should not cost the whole file. `bytes` must hold an
// even number of bytes.
std::string Utf16ToUtf8(std::span<const std::uint8_t> bytes, bool bigEndian);

// The text of a property-list file as UTF-8: a UTF-16 file (little or big endian) must start
// with its byte-order mark and is converted; a UTF-8 byte-order mark is dropped; anything else
// must be valid UTF-8. Nothing (and a reason in `error`) otherwise.
std::optional<std::string> DecodePlistText(std::span<const std::uint8_t> bytes, std::string& error);

// The shortest decimal text that reads back as `value` ("1", "0.1", "1e+100"); "nan", "inf"
// and "-inf" for the values that have no digits.
std::string RealText(double value);

// An <integer> text: optional white space around, an optional sign, then decimal digits or
// "0x" and hexadecimal digits. Nothing when it is malformed or outside the 64-bit signed range.
std::optional<std::int64_t> ParseIntegerText(std::string_view text);

// A <real> text: a decimal number (sign, fraction and exponent optional), or "nan", "inf",
// "infinity" with an optional sign, in any case; white space around is allowed.
std::optional<double> ParseRealText(std::string_view text);

// Base64 in lines of at most `lineLength` characters, each line ending in '\n' and starting
// with `linePrefix`. Empty data gives empty text.
std::string Base64Lines(const PlistData& data, std::size_t lineLength, std::string_view linePrefix);
// Base64 with white space anywhere and the padding optional; nothing for any other character.
std::optional<PlistData> DecodeBase64(std::string_view text);

// "2001-01-01T00:00:00Z", whole seconds (the fraction is dropped towards the past).
std::string IsoDateText(PlistDate date);
// "YYYY[-MM[-DD[THH[:MM[:SS]]]]]Z", white space around allowed; nothing when malformed.
std::optional<PlistDate> ParseIsoDateText(std::string_view text);
// NSDate's description: "2001-01-01 00:00:00 +0000".
std::string DateDescription(PlistDate date);

bool IsXmlSpace(char c);

}  // namespace foundation::plist_internal
