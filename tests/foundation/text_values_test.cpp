#include "foundation/text_values.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

using foundation::FloatValue;
using foundation::IntValue;
using foundation::IsEqualToString;
using foundation::SubstringToIndex;
using foundation::Utf16Length;

TEST(IntValue, ReadsTheLeadingDecimalInteger) {
    EXPECT_EQ(IntValue(" 12abc"), 12);
    EXPECT_EQ(IntValue("+7"), 7);
    EXPECT_EQ(IntValue("-42"), -42);
    EXPECT_EQ(IntValue("\n\t 2"), 2);
    EXPECT_EQ(IntValue("007"), 7);
    EXPECT_EQ(IntValue("2abc"), 2);
    EXPECT_EQ(IntValue("12.9"), 12);
    EXPECT_EQ(IntValue("120"), 120);
}

TEST(IntValue, NonNumbersAreZero) {
    EXPECT_EQ(IntValue("x"), 0);
    EXPECT_EQ(IntValue(""), 0);
    EXPECT_EQ(IntValue(std::nullopt), 0);
    EXPECT_EQ(IntValue("-"), 0);
    EXPECT_EQ(IntValue("+-5"), 0);
    EXPECT_EQ(IntValue("- 5"), 0);
    EXPECT_EQ(IntValue("0x1F"), 0);
}

TEST(IntValue, ClampsToThe32BitRange) {
    EXPECT_EQ(IntValue("2147483647"), 2147483647);
    EXPECT_EQ(IntValue("2147483648"), 2147483647);
    EXPECT_EQ(IntValue("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(IntValue("-2147483649"), -2147483647 - 1);
    EXPECT_EQ(IntValue("99999999999"), 2147483647);
    EXPECT_EQ(IntValue(std::string(400, '9')), 2147483647);
    EXPECT_EQ(IntValue("-" + std::string(400, '9')), -2147483647 - 1);
}

TEST(FloatValue, ReadsTheLongestDecimalBeginning) {
    EXPECT_FLOAT_EQ(FloatValue("1.0000"), 1.0f);
    EXPECT_FLOAT_EQ(FloatValue("1.2.3"), 1.2f);
    EXPECT_FLOAT_EQ(FloatValue("2.0.3"), 2.0f);
    EXPECT_FLOAT_EQ(FloatValue("1e1"), 10.0f);
    EXPECT_FLOAT_EQ(FloatValue("1E-1"), 0.1f);
    EXPECT_FLOAT_EQ(FloatValue("  .5"), 0.5f);
    EXPECT_FLOAT_EQ(FloatValue("5."), 5.0f);
    EXPECT_FLOAT_EQ(FloatValue("-2.5x"), -2.5f);
    EXPECT_FLOAT_EQ(FloatValue("+3"), 3.0f);
    EXPECT_FLOAT_EQ(FloatValue("10"), 10.0f);
    EXPECT_FLOAT_EQ(FloatValue("1e"), 1.0f);
    EXPECT_FLOAT_EQ(FloatValue("1e+"), 1.0f);
    EXPECT_FLOAT_EQ(FloatValue("2e2.5"), 200.0f);
}

TEST(FloatValue, ComparesWithOneAsSinglePrecision) {
    EXPECT_LT(FloatValue("0.999"), FloatValue("1.0"));
    EXPECT_LT(FloatValue("0.99"), 1.0f);
    EXPECT_GE(FloatValue("1"), FloatValue("1.0"));
    EXPECT_GE(FloatValue("1.5"), FloatValue("1.0"));
    // Rounds to 1.0f, as the single-precision comparison of the checks expects.
    EXPECT_GE(FloatValue("0.99999999"), FloatValue("1.0"));
}

TEST(FloatValue, NonNumbersAreZero) {
    for (const char* text :
         {"", "-", "+", ".", "-.", "e5", "inf", "nan", "Infinity", "x1", "0x1p3"}) {
        EXPECT_EQ(FloatValue(text), 0.0f) << text;
    }
    EXPECT_EQ(FloatValue(std::nullopt), 0.0f);
    EXPECT_EQ(FloatValue("-0"), 0.0f);
}

TEST(FloatValue, OutOfRangeGoesToInfinityOrZero) {
    EXPECT_EQ(FloatValue("1e39"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(FloatValue("-1e99999999999999999999"), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(FloatValue("1e-60"), 0.0f);
    EXPECT_EQ(FloatValue("0.0000001e-99999999999999999999"), 0.0f);
    EXPECT_EQ(FloatValue("0e99999999999999999999"), 0.0f);
    EXPECT_EQ(FloatValue(std::string(60, '9')), std::numeric_limits<float>::infinity());
}

TEST(FloatValue, IgnoresTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A locale with a decimal comma, when the machine has one; the check holds either way.
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C"}) {
        if (std::setlocale(LC_NUMERIC, name) == nullptr) continue;
        EXPECT_FLOAT_EQ(FloatValue("1.5"), 1.5f) << name;
        EXPECT_FLOAT_EQ(FloatValue("1,5"), 1.0f) << name;
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Utf16Length, CountsUtf16Units) {
    EXPECT_EQ(Utf16Length(""), 0u);
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("caf\xC3\xA9"), 4u);               // é: one unit.
    EXPECT_EQ(Utf16Length("\xE4\xB8\xAD\xE6\x96\x87"), 2u);  // Two CJK characters.
    EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);          // U+1F600: a surrogate pair.
}

TEST(Utf16Length, CountsEachInvalidByteAsOneUnit) {
    EXPECT_EQ(Utf16Length("\xFF"), 1u);
    EXPECT_EQ(Utf16Length("a\xC3"), 2u);             // Cut short.
    EXPECT_EQ(Utf16Length("\xC0\xAF"), 2u);          // Overlong "/".
    EXPECT_EQ(Utf16Length("\xED\xA0\x80"), 3u);      // An encoded surrogate.
    EXPECT_EQ(Utf16Length("\xF4\x90\x80\x80"), 4u);  // Beyond U+10FFFF.
    EXPECT_EQ(Utf16Length("\xE2\x82"), 2u);
    EXPECT_EQ(Utf16Length("\x80\x80"), 2u);
}

TEST(SubstringToIndex, CutsAfterUtf16Units) {
    EXPECT_EQ(SubstringToIndex("3.0.1", 1), "3");
    EXPECT_EQ(SubstringToIndex("2.1.5", 3), "2.1");
    EXPECT_EQ(SubstringToIndex("abc", 0), "");
    EXPECT_EQ(SubstringToIndex("abc", 10), "abc");
    EXPECT_EQ(SubstringToIndex("caf\xC3\xA9!", 4), "caf\xC3\xA9");
    EXPECT_EQ(SubstringToIndex("\xE4\xB8\xAD\xE6\x96\x87", 1), "\xE4\xB8\xAD");
    EXPECT_EQ(SubstringToIndex("1234567", 3), "123");
}

TEST(SubstringToIndex, KeepsASurrogatePairWhole) {
    const std::string text =
        "a\xF0\x9F\x98\x80"
        "b";
    EXPECT_EQ(SubstringToIndex(text, 1), "a");
    EXPECT_EQ(SubstringToIndex(text, 2), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(SubstringToIndex(text, 3), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(SubstringToIndex(text, 4), text);
}

TEST(SubstringToIndex, CutsInvalidBytesOneByOne) {
    EXPECT_EQ(SubstringToIndex("\xFF\xFE"
                               "a",
                               1),
              "\xFF");
    EXPECT_EQ(SubstringToIndex("\xE2\x82z", 2), "\xE2\x82");
}

TEST(IsEqualToString, IsExactAndNoForAbsent) {
    EXPECT_TRUE(IsEqualToString("Quillet", "Quillet"));
    EXPECT_TRUE(IsEqualToString("", ""));
    EXPECT_FALSE(IsEqualToString("Quillet", "quillet"));
    EXPECT_FALSE(IsEqualToString("Quillet", "Quillet "));
    EXPECT_FALSE(IsEqualToString(std::nullopt, "x"));
    EXPECT_FALSE(IsEqualToString("x", std::nullopt));
    EXPECT_FALSE(IsEqualToString(std::nullopt, std::nullopt));
}

}  // namespace
