// Values that may be strings or numbers: numbers read by their value, strings by their text.
#include "foundation/string_or_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using foundation::PlistValue;
using foundation::StringOrNumber;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

StringOrNumber Of(const PlistValue& value) {
    return StringOrNumber::FromValue(&value);
}

TEST(StringOrNumberTest, RealsReadAsTheirOwnValue) {
    EXPECT_EQ(Of(kInfinity).floatValue(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(Of(-kInfinity).floatValue(), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(Of(std::nan("")).floatValue()));
    EXPECT_FALSE(Of(std::nan("")).floatValue() >= 1.0f);
    EXPECT_EQ(Of(1e-5).floatValue(), 1e-5f);
    EXPECT_EQ(Of(0.999).floatValue(), 0.999f);
    EXPECT_EQ(Of(-2.5).floatValue(), -2.5f);
}

TEST(StringOrNumberTest, RealsBeyondTheFloatRangeRoundToInfinityOrTheLargestFloat) {
    constexpr float kFloatMax = std::numeric_limits<float>::max();
    EXPECT_EQ(Of(1e300).floatValue(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(Of(-1e300).floatValue(), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(Of(0x1.ffffffp127).floatValue(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(Of(0x1.fffffefp127).floatValue(), kFloatMax);
    EXPECT_EQ(Of(static_cast<double>(kFloatMax)).floatValue(), kFloatMax);
    EXPECT_EQ(Of(1e-300).floatValue(), 0.0f);
}

TEST(StringOrNumberTest, IntegersReadAsFloatsByValue) {
    EXPECT_EQ(Of(std::int64_t{16777217}).floatValue(), 16777216.0f);
    EXPECT_EQ(Of(std::int64_t{1} << 40).floatValue(), 1099511627776.0f);
    EXPECT_EQ(Of(std::numeric_limits<std::int64_t>::min()).floatValue(), -9.223372e18f);
}

TEST(StringOrNumberTest, IntegerValueTruncatesRealsTowardZero) {
    EXPECT_EQ(Of(2.9).intValue(), 2);
    EXPECT_EQ(Of(-2.9).intValue(), -2);
    EXPECT_EQ(Of(1e-5).intValue(), 0);
    EXPECT_EQ(Of(-0.0).intValue(), 0);
    EXPECT_EQ(Of(2147483646.99).intValue(), 2147483646);
}

TEST(StringOrNumberTest, IntegerValueClampsToThe32BitRangeAndNanIsZero) {
    EXPECT_EQ(Of(kInfinity).intValue(), kIntMax);
    EXPECT_EQ(Of(-kInfinity).intValue(), kIntMin);
    EXPECT_EQ(Of(1e300).intValue(), kIntMax);
    EXPECT_EQ(Of(-1e300).intValue(), kIntMin);
    EXPECT_EQ(Of(2147483648.0).intValue(), kIntMax);
    EXPECT_EQ(Of(-2147483649.0).intValue(), kIntMin);
    EXPECT_EQ(Of(std::nan("")).intValue(), 0);
    EXPECT_EQ(Of(std::int64_t{1} << 32).intValue(), kIntMax);
    EXPECT_EQ(Of(-(std::int64_t{1} << 32)).intValue(), kIntMin);
    EXPECT_EQ(Of(std::numeric_limits<std::int64_t>::max()).intValue(), kIntMax);
    EXPECT_EQ(Of(std::numeric_limits<std::int64_t>::min()).intValue(), kIntMin);
    EXPECT_EQ(Of(std::int64_t{kIntMax}).intValue(), kIntMax);
    EXPECT_EQ(Of(std::int64_t{kIntMin}).intValue(), kIntMin);
    EXPECT_EQ(Of(std::int64_t{-120}).intValue(), -120);
}

TEST(StringOrNumberTest, NumbersKeepTheTextThatLogLinesAndRowsShow) {
    EXPECT_EQ(Of(kInfinity).text(), "inf");
    EXPECT_EQ(Of(1e-5).text(), "1e-05");
    EXPECT_EQ(Of(std::int64_t{130}).text(), "130");
    EXPECT_EQ(Of(PlistValue("130")), std::optional<std::string>("130"));
}

TEST(StringOrNumberTest, StringsKeepTheTextReading) {
    // A string is read from its text, exactly as the plain text rules read it.
    EXPECT_EQ(Of(PlistValue("1e-05")).intValue(), 1);
    EXPECT_EQ(Of(PlistValue("inf")).floatValue(), 0.0f);
    EXPECT_EQ(Of(PlistValue("nan")).floatValue(), 0.0f);
    EXPECT_EQ(Of(PlistValue(" 12abc")).intValue(), 12);
    EXPECT_EQ(Of(PlistValue("1e999")).floatValue(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(StringOrNumber("99999999999").intValue(), kIntMax);
    EXPECT_EQ(StringOrNumber(std::string("1.5")).floatValue(), 1.5f);
}

TEST(StringOrNumberTest, OtherKindsAndAbsentValuesAreAbsentAndZero) {
    for (const PlistValue& other :
         {PlistValue(true), PlistValue(foundation::PlistDict()), PlistValue(foundation::PlistArray())}) {
        EXPECT_FALSE(Of(other));
        EXPECT_EQ(Of(other).intValue(), 0);
        EXPECT_EQ(Of(other).floatValue(), 0.0f);
    }
    EXPECT_FALSE(StringOrNumber::FromValue(nullptr));
    EXPECT_EQ(foundation::StringOrNumberForKey(nullptr, "k").intValue(), 0);
    foundation::PlistDict dict;
    dict.set("inf", PlistValue(kInfinity));
    EXPECT_EQ(foundation::StringOrNumberForKey(&dict, "inf").intValue(), kIntMax);
    EXPECT_FALSE(foundation::StringOrNumberForKey(&dict, "missing"));
}

}  // namespace
