// Old-style (OpenStep) property lists and strings files: the grammar, text encodings, our
// fixture writer, and hostile text.
#include <gtest/gtest.h>

#include "foundation/plist_read.h"
#include "plist_encoders.h"
#include "plist_test_support.h"

namespace {

using foundation::kMaxPlistDepth;
using foundation::PlistData;
using foundation::PlistValue;
using plist_test::Array;
using plist_test::Bytes;
using plist_test::Dict;
using plist_test::Parse;

std::optional<PlistValue> OldStyle(std::string_view text, std::string* error = nullptr) {
    unsigned format = 0;
    auto value = Parse(text, error, &format);
    if (value) {
        EXPECT_EQ(format, 1u) << text;
    }
    return value;
}

// The single string of a one-element array written with `quoted` inside.
std::optional<std::string> Quoted(std::string_view quoted) {
    const auto value = OldStyle("(" + std::string(quoted) + ")");
    if (!value || !value->array() || value->array()->size() != 1) return std::nullopt;
    const auto* text = value->array()->front().string();
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

// ---- grammar ------------------------------------------------------------------------------

TEST(OldStyleGrammarTest, DictionaryArrayAndUnquotedStrings) {
    const auto value = OldStyle(
        "{ Name = Quillet; Path = /Applications/Q.app; Version = 3.1-beta_$:x;\n"
        "  List = (a, \"b c\", 'd'); Empty = {}; None = (); }");
    EXPECT_EQ(value, Dict({{"Name", "Quillet"},
                           {"Path", "/Applications/Q.app"},
                           {"Version", "3.1-beta_$:x"},
                           {"List", Array({"a", "b c", "d"})},
                           {"Empty", Dict({})},
                           {"None", Array({})}}));
}

TEST(OldStyleGrammarTest, EveryScalarIsAString) {
    EXPECT_EQ(OldStyle("(12, -3, 1.5, YES)"), Array({"12", "-3", "1.5", "YES"}));
}

TEST(OldStyleGrammarTest, KeyAloneStandsForItselfAndTheLastDuplicateWins) {
    const auto value = OldStyle("{ a = 1; b; a = 2; }");
    ASSERT_TRUE(value && value->dict());
    EXPECT_EQ(value->dict()->keys(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(*value->dict()->find("a")->string(), "2");
    EXPECT_EQ(*value->dict()->find("b")->string(), "b");
}

TEST(OldStyleGrammarTest, TrailingCommaInArrays) {
    EXPECT_EQ(OldStyle("(a, b, )"), Array({"a", "b"}));
    EXPECT_EQ(OldStyle("( a, )"), Array({"a"}));
    EXPECT_FALSE(OldStyle("(,)"));
    EXPECT_FALSE(OldStyle("(a,,b)"));
    EXPECT_FALSE(OldStyle("(a b)"));
}

TEST(OldStyleGrammarTest, CommentsAnywhereBetweenTokens) {
    EXPECT_EQ(OldStyle("// heading\n{ /* inline */ a /**/ = // to the end\n b ; } /* open"),
              Dict({{"a", "b"}}));
    EXPECT_EQ(OldStyle("(\"// not a comment\", '/* nor this */')"),
              Array({"// not a comment", "/* nor this */"}));
}

TEST(OldStyleGrammarTest, HexDataWithWhiteSpaceBetweenPairs) {
    EXPECT_EQ(OldStyle("<0a1B 2c\n3d\t>"), PlistValue(PlistData{0x0a, 0x1b, 0x2c, 0x3d}));
    EXPECT_EQ(OldStyle("{ d = <>; }"), Dict({{"d", PlistData{}}}));
    EXPECT_FALSE(OldStyle("<abc>"));  // odd number of digits
    EXPECT_FALSE(OldStyle("<0g>"));
    EXPECT_FALSE(OldStyle("<0 a>"));  // a pair split by space
    EXPECT_FALSE(OldStyle("<0a1b"));
}

TEST(OldStyleGrammarTest, EscapesInQuotedStrings) {
    EXPECT_EQ(Quoted(R"("\a\b\f\n\r\t\v")"), "\a\b\f\n\r\t\v");
    EXPECT_EQ(Quoted(R"("say \"hi\" \\ \' \q")"), "say \"hi\" \\ ' q");
    EXPECT_EQ(Quoted(R"('it\'s "fine"')"), "it's \"fine\"");
}

TEST(OldStyleGrammarTest, OctalEscapesNameOneByte) {
    EXPECT_EQ(Quoted(R"("\101\102C")"), "ABC");
    EXPECT_EQ(Quoted(R"("\0")"), std::string(1, '\0'));
    EXPECT_EQ(Quoted(R"("\1011")"), "A1");                     // at most three digits
    EXPECT_EQ(Quoted(R"("\351t\351")"), "\xc3\xa9t\xc3\xa9");  // above 0x7F: Latin-1
}

TEST(OldStyleGrammarTest, UnicodeEscapesAndSurrogatePairs) {
    EXPECT_EQ(Quoted(R"("\U00e9\U65e5")"), "\xc3\xa9\xe6\x97\xa5");
    EXPECT_EQ(Quoted(R"("\U41x")"), "Ax");  // fewer than four digits
    EXPECT_EQ(Quoted(R"("\Ud83c\Udfa8")"), "\xf0\x9f\x8e\xa8");
    // A surrogate without its partner cannot be UTF-8: it reads as U+FFFD.
    EXPECT_EQ(Quoted(R"("\Ud83cx")"), "\xef\xbf\xbdx");
    EXPECT_EQ(Quoted(R"("\Udfa8")"), "\xef\xbf\xbd");
    EXPECT_EQ(Quoted(R"("\Ud83c\n")"), "\xef\xbf\xbd\n");
}

TEST(OldStyleGrammarTest, RawUtf8InsideAndOutsideQuotes) {
    EXPECT_EQ(Quoted("\"caf\xc3\xa9 \\\xc3\xa9\""), "caf\xc3\xa9 \xc3\xa9");
    EXPECT_FALSE(OldStyle("(caf\xc3\xa9)"));  // not a character of unquoted strings
}

TEST(OldStyleGrammarTest, StringsFileFormWithoutBraces) {
    const auto value = OldStyle(
        "/* Localizable.strings */\n"
        "\"Title\" = \"Install Content\";\n"
        "// a comment\n"
        "OK_BUTTON = OK;\n"
        "\"Multi\" = \"line\\none\";\n"
        "Short;\n");
    EXPECT_EQ(value, Dict({{"Title", "Install Content"},
                           {"OK_BUTTON", "OK"},
                           {"Multi", "line\none"},
                           {"Short", "Short"}}));
}

TEST(OldStyleGrammarTest, TopLevelScalarsAndContainers) {
    EXPECT_EQ(OldStyle("  plain  "), PlistValue("plain"));
    EXPECT_EQ(OldStyle("\"quoted text\""), PlistValue("quoted text"));
    EXPECT_EQ(OldStyle("(a)"), Array({"a"}));
}

TEST(OldStyleGrammarTest, SyntaxErrorsNameTheirLine) {
    const char* bad[] = {
        "{ a = b }",      // missing ;
        "{ a = b;",       // missing }
        "{ a b; }",       // missing =
        "{ = b; }",       // missing key
        "{ (a) = b; }",   // key that is not a string
        "\"a\" = \"b\"",  // strings file, last ; missing
        "\"unterminated",
        "(a) b",  // text after a value that is not a string
        "{ a = ; }",      "@",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(OldStyle(text, &error)) << text;
        EXPECT_NE(error.find("line 1"), std::string::npos) << text << ": " << error;
    }
    std::string error;
    EXPECT_FALSE(OldStyle("{\n a = b;\n c = d\n}", &error));
    EXPECT_NE(error.find("line 4"), std::string::npos) << error;
}

// ---- encodings ----------------------------------------------------------------------------

Bytes Utf16(std::u16string_view text, bool bigEndian) {
    Bytes out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (const char16_t unit : text) {
        const auto high = static_cast<std::uint8_t>(unit >> 8);
        const auto low = static_cast<std::uint8_t>(unit & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
    return out;
}

TEST(OldStyleEncodingTest, Utf16WithByteOrderMarkEitherWay) {
    const std::u16string text = u"\"Title\" = \"\u65e5\u672c \U0001F3A8\";\n";
    const PlistValue expected = Dict({{"Title", "\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xa8"}});
    for (const bool bigEndian : {false, true}) {
        unsigned format = 0;
        const auto value = foundation::ParsePropertyList(Utf16(text, bigEndian), nullptr, &format);
        EXPECT_EQ(value, expected) << bigEndian;
        EXPECT_EQ(format, 1u);
    }
}

TEST(OldStyleEncodingTest, Utf8ByteOrderMarkIsSkipped) {
    EXPECT_EQ(Parse("\xef\xbb\xbf{ a = b; }"), Dict({{"a", "b"}}));
}

TEST(OldStyleEncodingTest, BadEncodingsFail) {
    std::string error;
    EXPECT_FALSE(Parse("{ a = \"caf\xe9\"; }", &error));  // Latin-1, not UTF-8
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(Parse("(\xc0\xaf)"));          // overlong form
    EXPECT_FALSE(Parse("(\"\xed\xa0\x80\")"));  // UTF-8 encoded surrogate
    Bytes odd = Utf16(u"(a)", false);
    odd.push_back('x');
    EXPECT_FALSE(foundation::ParsePropertyList(odd));
}

// ---- our fixture writer -------------------------------------------------------------------

TEST(OldStyleEncoderTest, WritesTextThatReadsBackAsStrings) {
    const PlistValue tree = plist_test::EveryKindTree();
    const std::string text = packgate_test::OldStylePropertyListText(tree);
    const auto value = OldStyle(text);
    ASSERT_TRUE(value && value->dict()) << text;
    const auto& dict = *value->dict();
    EXPECT_EQ(dict.keys(), tree.dict()->keys());
    EXPECT_EQ(*dict.find("Unicode"), *tree.dict()->find("Unicode"));
    EXPECT_EQ(*dict.find("Markup")->string(), "a < b & c > d");
    EXPECT_EQ(*dict.find("Empty")->string(), "");
    EXPECT_EQ(*dict.find("Count")->string(), "42");
    EXPECT_EQ(*dict.find("Negative")->string(), "-7");
    EXPECT_EQ(*dict.find("Ratio")->string(), "0.1");
    EXPECT_EQ(*dict.find("Yes")->string(), "YES");
    EXPECT_EQ(*dict.find("When")->string(), "2020-01-06 10:40:00 +0000");
    EXPECT_EQ(*dict.find("Blob"), PlistValue(PlistData{0x00, 0x01, 0xfe, 0xff}));
    EXPECT_EQ(*dict.find("List"), Array({"one", "2", Array({}), Dict({})}));
    EXPECT_EQ(*dict.find("Nested"), *tree.dict()->find("Nested"));
}

TEST(OldStyleEncoderTest, EscapesEveryAwkwardCharacter) {
    std::string awkward = "q\"b\\n\nt\tr\r";
    for (char c = 1; c < 0x20; ++c) awkward.push_back(c);
    awkward.push_back('\x7f');
    const PlistValue tree = Dict({{awkward, awkward}, {"", Array({""})}});
    EXPECT_EQ(OldStyle(packgate_test::OldStylePropertyListText(tree)), tree);
    EXPECT_EQ(OldStyle(packgate_test::StringsFileText(*tree.dict())), tree);
}

// ---- hostile text -------------------------------------------------------------------------

std::string Nested(std::size_t depth, char open, char close) {
    return std::string(depth, open) + std::string(depth, close);
}

TEST(OldStyleHostileTest, NestingUpToTheLimitReadsAndDeeperFails) {
    EXPECT_TRUE(OldStyle(Nested(kMaxPlistDepth, '(', ')')));
    std::string error;
    EXPECT_FALSE(OldStyle(Nested(kMaxPlistDepth + 1, '(', ')'), &error));
    EXPECT_NE(error.find("deep"), std::string::npos) << error;
    std::string dicts;
    for (std::size_t i = 0; i <= kMaxPlistDepth; ++i) dicts += "{a=";
    EXPECT_FALSE(OldStyle(dicts));
    EXPECT_FALSE(OldStyle(std::string(1000000, '(')));
}

TEST(OldStyleHostileTest, TooManyValuesFail) {
    std::string many = "(";
    for (std::size_t i = 0; i <= foundation::kMaxPlistObjects; ++i) many += "a,";
    std::string error;
    EXPECT_FALSE(OldStyle(many + ")", &error));
    EXPECT_NE(error.find("too many"), std::string::npos) << error;
}

TEST(OldStyleHostileTest, TruncationAtEveryLengthFails) {
    const std::string full = packgate_test::OldStylePropertyListText(plist_test::EveryKindTree());
    ASSERT_TRUE(OldStyle(full));
    // Everything short of the closing brace is an unfinished dictionary.
    for (std::size_t length = 0; length < full.rfind('}'); ++length) {
        EXPECT_FALSE(Parse(full.substr(0, length))) << length;
    }
}

}  // namespace
