// WideFromUtf8: UTF-8 to one wide character per code point, ending at anything invalid.
#include <gtest/gtest.h>

#include <string>

#include "feedback/wide_text.h"

namespace {

using feedback::WideFromUtf8;

TEST(WideFromUtf8Valid, DecodesEverySequenceLength) {
    EXPECT_EQ(WideFromUtf8(""), L"");
    EXPECT_EQ(WideFromUtf8("plain ASCII ~"), L"plain ASCII ~");
    EXPECT_EQ(WideFromUtf8("\xC2\x80\xDF\xBF"), L"\u0080\u07FF");
    EXPECT_EQ(WideFromUtf8("\xE0\xA0\x80\xEF\xBF\xBF"), L"\u0800\uFFFF");
    EXPECT_EQ(WideFromUtf8("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), L"\U00010000\U0010FFFF");
}

TEST(WideFromUtf8Invalid, EndsAtTheFirstInvalidSequence) {
    struct Case {
        const char* what;
        std::string text;
        std::wstring expected;
    };
    const Case cases[] = {
        {"stray continuation byte",
         "ab\x80"
         "cd",
         L"ab"},
        {"invalid lead byte",
         "ab\xFF"
         "cd",
         L"ab"},
        {"overlong two bytes",
         "a\xC0\x80"
         "b",
         L"a"},
        {"overlong three bytes", "a\xE0\x80\xAF", L"a"},
        {"overlong four bytes", "a\xF0\x8F\xBF\xBF", L"a"},
        {"surrogate",
         "a\xED\xA0\x80"
         "b",
         L"a"},
        {"above U+10FFFF", "a\xF4\x90\x80\x80", L"a"},
        {"truncated at the end", "ab\xE2\x9C", L"ab"},
        {"missing continuation",
         "ab\xE2"
         "cd",
         L"ab"},
        {"zero byte", std::string("ab\0cd", 5), L"ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(WideFromUtf8(c.text), c.expected) << c.what;
}

}  // namespace
