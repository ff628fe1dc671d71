// Texts the installer prints: JSON strings, terminal-safe text and word wrapping.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "installer/json_text.h"
#include "installer/text_wrap.h"

namespace installer_test {
namespace {

using installer::DisplayWidth;
using installer::JsonValue;
using installer::PrintableText;
using installer::WrapText;
using Lines = std::vector<std::string>;

// ---- JSON ------------------------------------------------------------------------------

// A string on its own, as the report writes each member's value.
std::string Quoted(const std::string& text) {
    return installer::JsonText(JsonValue(text));
}

TEST(InstallerJson, EscapesQuotesBackslashesAndEveryControlCharacter) {
    std::string all;
    for (int c = 0; c < 0x20; ++c) all += static_cast<char>(c);
    all += "\"\\/\x7f";
    const std::string quoted = Quoted(all);
    for (char c : quoted) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << quoted;
    EXPECT_EQ(nlohmann::json::parse(quoted).get<std::string>(), all);
    EXPECT_EQ(Quoted("a\"b\\c\n"), R"("a\"b\\c\n")");
}

TEST(InstallerJson, KeepsUtf8AndReplacesBrokenBytes) {
    EXPECT_EQ(Quoted("\xe4\xb8\xad \xf0\x9f\x98\x80"), "\"\xe4\xb8\xad \xf0\x9f\x98\x80\"");
    // A lone continuation byte, a cut sequence, an overlong form and a surrogate.
    for (const std::string broken : {"\x80", "\xe4\xb8", "\xc0\xaf", "\xed\xa0\x80"}) {
        const std::string quoted = Quoted("a" + broken + "b");
        const auto parsed = nlohmann::json::parse(quoted, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << quoted;
        EXPECT_TRUE(parsed.get<std::string>().starts_with("a\xef\xbf\xbd"));
        EXPECT_TRUE(parsed.get<std::string>().ends_with("b"));
    }
    // A cut sequence at the very end, and broken bytes in a member's name.
    EXPECT_EQ(nlohmann::json::parse(Quoted("a\xe4\xb8")).get<std::string>(), "a\xef\xbf\xbd");
    const auto parsed = nlohmann::json::parse(installer::JsonText({{"k\xff", 1}}));
    EXPECT_EQ(parsed.begin().key(), "k\xef\xbf\xbd");
}

TEST(InstallerJson, WriterNestsObjectsAndArraysWithCommasInPlace) {
    JsonValue json;
    json["rows"] = {{{"tag", 0}, {"ok", true}}, {{"tag", -1}, {"none", nullptr}}};
    json["empty"] = JsonValue::array();
    json["nothing"] = JsonValue::object();
    json["text"] = "x";
    const auto parsed = nlohmann::json::parse(installer::JsonText(json));
    EXPECT_EQ(parsed["rows"][1]["tag"], -1);
    EXPECT_TRUE(parsed["rows"][1]["none"].is_null());
    EXPECT_TRUE(parsed["empty"].empty());
    EXPECT_TRUE(parsed["nothing"].is_object());
    EXPECT_EQ(parsed["text"], "x");
}

// Scripts read the report as text too: members stay in the order they were set, two spaces a
// level, empty arrays and objects on one line.
TEST(InstallerJson, KeepsMemberOrderAndLayout) {
    JsonValue json;
    json["zeta"] = 1;
    json["alpha"] = {{{"b", "x"}, {"a", false}}};
    json["empty"] = JsonValue::array();
    json["none"] = JsonValue::object();
    EXPECT_EQ(installer::JsonText(json),
              "{\n"
              "  \"zeta\": 1,\n"
              "  \"alpha\": [\n"
              "    {\n"
              "      \"b\": \"x\",\n"
              "      \"a\": false\n"
              "    }\n"
              "  ],\n"
              "  \"empty\": [],\n"
              "  \"none\": {}\n"
              "}");
}

// ---- Text for the terminal ----------------------------------------------------------------

TEST(InstallerTerminalText, ControlCharactersAndBrokenBytesBecomeReplacementCharacters) {
    EXPECT_EQ(PrintableText("a\x1b[2Jb", false), "a\xef\xbf\xbd[2Jb");
    EXPECT_EQ(PrintableText("a\xc2\x9b"
                            "b",
                            false),
              "a\xef\xbf\xbd"
              "b");  // C1 CSI
    EXPECT_EQ(PrintableText("a\xffz", false), "a\xef\xbf\xbdz");
    EXPECT_EQ(PrintableText("one\ntwo\tthree", false), "one two three");
    EXPECT_EQ(PrintableText("one\ntwo", true), "one\ntwo");
}

TEST(InstallerTerminalText, WideCharactersTakeTwoColumnsAndMarksNone) {
    EXPECT_EQ(DisplayWidth("abc"), 3u);
    EXPECT_EQ(DisplayWidth("\xe4\xb8\xad\xe6\x96\x87"), 4u);  // Two Han characters.
    EXPECT_EQ(DisplayWidth("e\xcc\x81"), 1u);                 // e with a combining accent.
}

TEST(InstallerTerminalText, WrapsBetweenWordsWithinTheWidth) {
    EXPECT_EQ(WrapText("the quick brown fox", 10), (Lines{"the quick", "brown fox"}));
    EXPECT_EQ(WrapText("a  b", 10), (Lines{"a b"}));
    EXPECT_EQ(WrapText("", 10), (Lines{""}));
    EXPECT_EQ(WrapText("one\ntwo", 10), (Lines{"one", "two"}));
}

TEST(InstallerTerminalText, CutsWordsLongerThanALine) {
    EXPECT_EQ(WrapText("abcdefghij", 4), (Lines{"abcd", "efgh", "ij"}));
    EXPECT_EQ(WrapText("go /a/very/long/path", 8), (Lines{"go", "/a/very/", "long/pat", "h"}));
    EXPECT_EQ(WrapText("x", 0), (Lines{"x"}));
}

TEST(InstallerTerminalText, TruncatesToWholeCharactersFromEitherEnd) {
    EXPECT_EQ(installer::TruncateText("abcdef", 4), "abcd");
    EXPECT_EQ(installer::TruncateText("abc", 4), "abc");
    EXPECT_EQ(installer::TruncateText("/home/u/Library/Logs/x.log", 14, true), ".../Logs/x.log");
    // A wide character that does not fit whole is left out.
    EXPECT_EQ(installer::TruncateText("ab\xe4\xb8\xad", 3), "ab");
}

TEST(InstallerTerminalText, WrapsTextWithoutSpacesByCharacterWidth) {
    const std::string han = "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe5\x85\x83";  // Four characters.
    const Lines lines = WrapText(han, 5);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) EXPECT_LE(DisplayWidth(line), 5u);
    EXPECT_EQ(lines[0] + lines[1], han);
}

}  // namespace
}  // namespace installer_test
