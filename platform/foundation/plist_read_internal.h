// The three property-list readers behind ParsePropertyList. Each takes the whole input,
// answers the top value or nothing with a one-line reason in `error`, and keeps to the
// limits of plist_read.h. Private to platform/foundation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "foundation/plist_read.h"
#include "foundation/plist_value.h"

namespace foundation::plist_internal {

// "bplist00" files. `bytes` starts with the magic.
std::optional<PlistValue> ReadBinaryPlist(std::span<const std::uint8_t> bytes, std::string& error);

// XML text in UTF-8, through libxml2 without network, DTD loading or entity expansion.
std::optional<PlistValue> ReadXmlPlist(std::string_view text, std::string& error);

// Old-style (OpenStep) text in UTF-8, including the strings-file form (a dictionary without
// braces at the top).
std::optional<PlistValue> ReadOpenStepPlist(std::string_view text, std::string& error);

// Whether old-style text holds nothing but white space and comments.
bool OpenStepTextIsBlank(std::string_view text);

// Counts the values one read produces against kMaxPlistObjects.
class ValueBudget {
  public:
    // Takes one more value; false once the read has produced too many.
    bool Take() { return ++count_ <= kMaxPlistObjects; }

  private:
    std::size_t count_ = 0;
};

}  // namespace foundation::plist_internal
