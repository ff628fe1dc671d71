// Texts the installer prints: JSON strings, terminal-safe text, widths and line breaking.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include <nlohmann/json.hpp>

#include "foundation/files.h"
#include "foundation/plist_read.h"
#include "installer/script/json_text.h"
#include "installer/text/text_wrap.h"

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

// ---- Widths and line breaks ----------------------------------------------------------------

std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// Every code point whose width Unicode's data settles (about 144,000), as Python reads them.
TEST(InstallerTerminalText, WidthsAgreeWithUnicodeEastAsianWidths) {
    std::istringstream lines(CommandOutput("python3 '" PACKGATE_WIDTH_SCRIPT "'"));
    std::size_t checked = 0;
    std::string wrong;
    for (std::string line; std::getline(lines, line); ++checked) {
        const std::size_t first = line.find(' ');
        const std::size_t second = line.find(' ', first + 1);
        ASSERT_NE(second, std::string::npos) << line;
        const std::size_t expected = std::stoul(line.substr(first + 1, second - first - 1));
        const std::size_t width = DisplayWidth(line.substr(second + 1));
        if (width != expected && wrong.size() < 400) {
            wrong += "U+" + line.substr(0, first) + " is " + std::to_string(width) + ", not " +
                     std::to_string(expected) + "; ";
        }
    }
    EXPECT_GT(checked, 140000u);
    EXPECT_EQ(wrong, "");
}

TEST(InstallerTerminalText, EmojiAndMarksTakeTheColumnsTheTerminalGivesThem) {
    EXPECT_EQ(DisplayWidth("\xf0\x9f\x98\x80"), 2u);                  // U+1F600
    EXPECT_EQ(DisplayWidth("\xf0\x9f\xa6\x80"), 2u);                  // U+1F980, past the old table
    EXPECT_EQ(DisplayWidth("\xe2\x8c\x9a"), 2u);                      // U+231A watch
    EXPECT_EQ(DisplayWidth("a\xd9\x8b"), 1u);                          // Arabic mark U+064B
    EXPECT_EQ(DisplayWidth("\xe0\xa4\x95\xe0\xa5\x8d"), 1u);          // Devanagari ka + virama
    EXPECT_EQ(DisplayWidth("\xea\xb0\x80\xe1\x85\xa1"), 2u);          // Hangul syllable + jamo
    EXPECT_EQ(DisplayWidth("\xef\xbc\xa1\xef\xbd\xb1"), 3u);          // Fullwidth A, halfwidth a
}

// "「繼" and "續」。" stay whole: a bracket neither ends a line nor does its close begin one.
TEST(InstallerTerminalText, KeepsBracketsAndClosingPunctuationWithTheirText) {
    const std::string text = "\xe6\x8c\x89\xe4\xb8\x80\xe4\xb8\x8b"        // 按一下
                             "\xe3\x80\x8c\xe7\xb9\xbc\xe7\xba\x8c\xe3\x80\x8d"  // 「繼續」
                             "\xe3\x80\x82";                                  // 。
    EXPECT_EQ(WrapText(text, 8), (Lines{"\xe6\x8c\x89\xe4\xb8\x80\xe4\xb8\x8b",
                                        "\xe3\x80\x8c\xe7\xb9\xbc",
                                        "\xe7\xba\x8c\xe3\x80\x8d\xe3\x80\x82"}));
    EXPECT_EQ(WrapText("Quillet 5 ( Apple Store )", 10), (Lines{"Quillet 5", "( Apple", "Store )"}));
}

bool StartsWithAny(const std::string& line, const std::vector<std::string_view>& marks) {
    for (std::string_view mark : marks) {
        if (line.starts_with(mark)) return true;
    }
    return false;
}

bool EndsWithAny(const std::string& line, const std::vector<std::string_view>& marks) {
    for (std::string_view mark : marks) {
        if (line.ends_with(mark)) return true;
    }
    return false;
}

std::string WithoutSpaces(std::string text) {
    std::erase(text, ' ');
    return text;
}

// Every text of the Traditional Chinese strings table at every width from 6 to 40 columns.
TEST(InstallerTerminalText, ChineseTextsBreakOnlyWhereChineseTypesettingAllows) {
    const auto bytes = foundation::ContentsAtPath(
        PACKGATE_SOURCE_RESOURCES "/zh_TW.lproj/Localizable.strings", 1 << 20);
    ASSERT_TRUE(bytes);
    const auto table = foundation::ParseStringsTable(*bytes);
    ASSERT_TRUE(table);
    ASSERT_GT(table->size(), 5u);
    const std::vector<std::string_view> opening = {"\xe3\x80\x8c", "\xe3\x80\x8e", "\xef\xbc\x88", "\xe3\x80\x8a",
                          "\xe3\x80\x88", "\xe3\x80\x90", "("};  // 「『（《〈【(
    const std::vector<std::string_view> closing = {"\xe3\x80\x8d", "\xe3\x80\x8f", "\xef\xbc\x89", "\xe3\x80\x8b",
                          "\xe3\x80\x89", "\xe3\x80\x91", "\xef\xbc\x8c", "\xe3\x80\x82",
                          "\xe3\x80\x81", "\xef\xbc\x9a", "\xef\xbc\x9b", "\xef\xbc\x81",
                          "\xef\xbc\x9f", ")"};  // 」』）》〉】，。、：；！？)
    for (std::size_t i = 0; i < table->size(); ++i) {
        const std::string* text = table->valueAt(i).string();
        ASSERT_NE(text, nullptr);
        for (std::size_t width = 6; width <= 40; ++width) {
            SCOPED_TRACE(table->keys()[i] + " at " + std::to_string(width));
            const Lines lines = WrapText(*text, width);
            std::string joined;
            for (const std::string& line : lines) {
                EXPECT_LE(DisplayWidth(line), width) << line;
                EXPECT_FALSE(EndsWithAny(line, opening)) << line;
                EXPECT_FALSE(StartsWithAny(line, closing)) << line;
                joined += line;
            }
            EXPECT_EQ(WithoutSpaces(joined), WithoutSpaces(*text));
        }
    }
}

}  // namespace
}  // namespace installer_test
