// A property-list value that may be a string or a number, as a Foundation field that holds
// either an NSString or an NSNumber: its text is what log lines and rows show, while intValue
// and floatValue read a number from the number itself, never from its text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "foundation/plist_value.h"
#include "platform_export.h"

namespace foundation {

class PACKGATE_PLATFORM_API StringOrNumber {
  public:
    StringOrNumber() = default;
    StringOrNumber(std::nullopt_t) {}
    StringOrNumber(std::optional<std::string> text) : text_(std::move(text)) {}
    StringOrNumber(std::string text) : text_(std::move(text)) {}
    StringOrNumber(const char* text) : text_(std::string(text)) {}

    // A string as it stands; an integer or a real number with its value and the text that
    // TextValue gives it; anything else (or null) absent.
    static StringOrNumber FromValue(const PlistValue* value);

    // The string, or the number's decimal text; absent when there is neither.
    const std::optional<std::string>& text() const { return text_; }
    explicit operator bool() const { return text_.has_value(); }

    // `intValue`: a number's value truncated toward zero and clamped to the signed 32-bit
    // range, NaN giving 0; a string as IntValue reads it; 0 when absent.
    std::int32_t intValue() const;
    // `floatValue`: a number's value rounded to single precision (infinities and NaN stay
    // what they are, a real beyond the float range becomes infinite); a string as FloatValue
    // reads it; 0 when absent.
    float floatValue() const;

    // Compares the text alone, as the rows and the handoff list see the value.
    bool operator==(const std::optional<std::string>& other) const { return text_ == other; }

  private:
    std::optional<std::string> text_;
    std::variant<std::monostate, std::int64_t, double> number_;
};

// The value for `key` in a dictionary that may itself be absent (null).
PACKGATE_PLATFORM_API StringOrNumber StringOrNumberForKey(const PlistDict* dict,
                                                 std::string_view key);

}  // namespace foundation
