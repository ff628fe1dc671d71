// Writers of the two property-list formats that the product only reads, so tests can lay
// down records in all three formats (XML comes from XmlPropertyListText).
//
// They write what the value holds and nothing clever: a plain, valid file for any value tree.
// They are for fixtures only; nothing here guards against hostile input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/plist_value.h"

namespace packgate_test {

// A "bplist00" file: one object per value (no sharing), the smallest offset and reference
// sizes that fit, ASCII strings where the text is ASCII and UTF-16 otherwise, integers in 1, 2
// or 4 bytes when they are not negative and below 2^32, else 8; reals in 8 bytes.
std::vector<std::uint8_t> BinaryPropertyListBytes(const foundation::PlistValue& value);

// Old-style text in UTF-8, indented by four spaces: "{\n    key = value;\n}", "(\n    a,\n
// b\n)", <0a1b> for data. The format has only strings, so numbers are written as their decimal
// text, booleans as YES and NO, and dates as "2001-01-01 00:00:00 +0000". Strings are quoted
// unless they are plain tokens; quotes, backslashes and control characters are escaped.
std::string OldStylePropertyListText(const foundation::PlistValue& value);

// A strings file ("key" = "value"; one entry a line) in UTF-8; values that are not strings are
// written as OldStylePropertyListText writes them.
std::string StringsFileText(const foundation::PlistDict& table);

}  // namespace packgate_test
