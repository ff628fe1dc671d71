#include "foundation/string_or_number.h"

#include <cmath>
#include <limits>

#include "foundation/text_values.h"

namespace foundation {
namespace {

constexpr auto kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr auto kIntMax = std::numeric_limits<std::int32_t>::max();

std::int32_t ClampedInt(std::int64_t value) {
    if (value < kIntMin) return kIntMin;
    if (value > kIntMax) return kIntMax;
    return static_cast<std::int32_t>(value);
}

// A cast of a double outside the int range is undefined, so the ends are settled first.
std::int32_t ClampedInt(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(kIntMin)) return kIntMin;
    if (value >= static_cast<double>(kIntMax)) return kIntMax;
    return static_cast<std::int32_t>(value);
}

// Narrowing a double beyond the float range is undefined; rounded to nearest, everything from
// halfway between the largest float and 2^128 on becomes infinite.
float RoundedFloat(double value) {
    constexpr double kRoundsToInfinity = 0x1.ffffffp127;
    if (std::fabs(value) >= kRoundsToInfinity) {
        const float infinity = std::numeric_limits<float>::infinity();
        return value > 0 ? infinity : -infinity;
    }
    return static_cast<float>(value);
}

}  // namespace

StringOrNumber StringOrNumber::FromValue(const PlistValue* value) {
    StringOrNumber result(TextValue(value));
    if (value == nullptr) return result;
    if (const auto* integer = value->integer()) result.number_ = *integer;
    if (const auto* real = value->real()) result.number_ = *real;
    return result;
}

std::int32_t StringOrNumber::intValue() const {
    if (const auto* integer = std::get_if<std::int64_t>(&number_)) return ClampedInt(*integer);
    if (const auto* real = std::get_if<double>(&number_)) return ClampedInt(*real);
    return IntValue(text_);
}

float StringOrNumber::floatValue() const {
    if (const auto* integer = std::get_if<std::int64_t>(&number_)) {
        return static_cast<float>(*integer);
    }
    if (const auto* real = std::get_if<double>(&number_)) return RoundedFloat(*real);
    return FloatValue(text_);
}

StringOrNumber StringOrNumberForKey(const PlistDict* dict, std::string_view key) {
    return StringOrNumber::FromValue(dict == nullptr ? nullptr : dict->find(key));
}

}  // namespace foundation
