// The public reading entry points: format detection and codes, error reasons, text encodings
// of XML, libxml2's silence, files, and strings tables.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fcntl.h>
#include <cstdio>
#include <filesystem>

#include "foundation/plist_read.h"
#include "foundation/plist_write.h"
#include "plist_encoders.h"
#include "plist_test_support.h"

namespace {

using foundation::DictionaryWithContentsOfFile;
using foundation::ParsePropertyList;
using foundation::ParseStringsTable;
using foundation::PlistValue;
using plist_test::Array;
using plist_test::Bytes;
using plist_test::Dict;
using plist_test::Parse;
using plist_test::ToBytes;

Bytes Utf16FromAscii(std::string_view text, bool bigEndian) {
    Bytes out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (const char c : text) {
        out.push_back(bigEndian ? 0 : static_cast<std::uint8_t>(c));
        out.push_back(bigEndian ? static_cast<std::uint8_t>(c) : 0);
    }
    return out;
}

// ---- detection and results ----------------------------------------------------------------

TEST(PlistReadTest, ReportsTheFormatOfEachKind) {
    const PlistValue tree = Dict({{"k", "v"}});
    const std::string xml = foundation::XmlPropertyListText(tree);
    const std::vector<std::pair<Bytes, unsigned>> cases = {
        {packgate_test::BinaryPropertyListBytes(tree), 200},
        {ToBytes(xml), 100},
        {ToBytes("  \n" + xml), 100},
        {ToBytes(packgate_test::OldStylePropertyListText(tree)), 1},
        {ToBytes("\"k\" = \"v\";"), 1},
    };
    for (const auto& [bytes, expected] : cases) {
        unsigned format = 0;
        const auto value = ParsePropertyList(bytes, nullptr, &format);
        EXPECT_EQ(value, tree) << expected;
        EXPECT_EQ(format, expected);
    }
}

TEST(PlistReadTest, FailureLeavesTheFormatAndGivesOneLineReason) {
    for (const std::string& bad :
         {std::string(), std::string("   "), std::string("{ a = b"), std::string("<plist><dict>"),
          std::string("bplist00 and nothing else")}) {
        unsigned format = 77;
        std::string error;
        EXPECT_FALSE(Parse(bad, &error, &format)) << bad;
        EXPECT_EQ(format, 77u) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(PlistReadTest, DataLargerThanTheLimitIsNotRead) {
    Bytes big = ToBytes("( a, ");
    big.resize(foundation::kMaxPlistFileBytes + 1, ' ');
    std::string error;
    EXPECT_FALSE(ParsePropertyList(big, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

TEST(PlistReadTest, XmlInUtf16WithByteOrderMark) {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<plist version=\"1.0\">\n"
        "<dict><key>k</key><string>v</string></dict>\n</plist>\n";
    for (const bool bigEndian : {false, true}) {
        unsigned format = 0;
        EXPECT_EQ(ParsePropertyList(Utf16FromAscii(xml, bigEndian), nullptr, &format),
                  Dict({{"k", "v"}}));
        EXPECT_EQ(format, 100u);
    }
    EXPECT_EQ(Parse("\xef\xbb\xbf" + xml.substr(xml.find('\n') + 1)), Dict({{"k", "v"}}));
}

TEST(PlistReadTest, AngleBracketTextIsTriedAsBothXmlAndOldStyleData) {
    unsigned format = 0;
    EXPECT_EQ(Parse("<ab12>", nullptr, &format), PlistValue(foundation::PlistData{0xab, 0x12}));
    EXPECT_EQ(format, 1u);
    EXPECT_EQ(Parse("<array><string>x</string></array>", nullptr, &format), Array({"x"}));
    EXPECT_EQ(format, 100u);
}

TEST(PlistReadTest, Libxml2PrintsNothing) {
    fflush(stderr);
    packgate_test::ScratchFolder folder;
    const std::string capture = folder / "stderr.txt";
    const int saved = dup(2);
    const int file = open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(saved, 0);
    ASSERT_GE(file, 0);
    dup2(file, 2);
    const char* broken[] = {
        "<plist><dict><key>a</key><string>b</dict></plist>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><plist><string>\xff</string></plist>",
        "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"x\">]><plist>&b;&a;</plist>",
        "<?xml version=\"1.0\" encoding=\"bogus-charset\"?><plist/>",
        "<plist><string>\x01</string></plist>",
        "<plist attr='1' attr='2'/>",
    };
    for (const char* text : broken) EXPECT_FALSE(Parse(text)) << text;
    // UTF-16 text with a lone surrogate is converted before libxml2 sees it.
    Bytes lone = Utf16FromAscii("<plist><string>x</string></plist>", false);
    lone[lone.size() - 20] = 0x00;
    lone[lone.size() - 19] = 0xD8;
    (void)ParsePropertyList(lone);
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(file);
    EXPECT_EQ(plist_test::ToText(plist_test::ReadFile(capture)), "");
}

// ---- files --------------------------------------------------------------------------------

TEST(DictionaryFileTest, ReadsADictionaryInEveryFormat) {
    packgate_test::ScratchFolder folder;
    const PlistValue tree = plist_test::EveryKindTree();
    plist_test::WriteFile(folder / "xml.plist", ToBytes(foundation::XmlPropertyListText(tree)));
    plist_test::WriteFile(folder / "binary.plist", packgate_test::BinaryPropertyListBytes(tree));
    plist_test::WriteFile(folder / "old.plist",
                          ToBytes(packgate_test::OldStylePropertyListText(Dict({{"k", "v"}}))));
    EXPECT_EQ(DictionaryWithContentsOfFile(folder / "xml.plist"), *tree.dict());
    EXPECT_EQ(DictionaryWithContentsOfFile(folder / "binary.plist"), *tree.dict());
    EXPECT_EQ(DictionaryWithContentsOfFile(folder / "old.plist"), *Dict({{"k", "v"}}).dict());
}

TEST(DictionaryFileTest, AnythingElseReadsAsNothing) {
    packgate_test::ScratchFolder folder;
    plist_test::WriteFile(folder / "array.plist",
                          ToBytes(foundation::XmlPropertyListText(Array({"a"}))));
    plist_test::WriteFile(folder / "string.plist", ToBytes("just-a-string"));
    plist_test::WriteFile(folder / "garbage.plist", ToBytes("{ unfinished"));
    plist_test::WriteFile(folder / "empty.plist", {});
    Bytes big = ToBytes("{ a = b; }");
    big.resize(foundation::kMaxPlistFileBytes + 1, ' ');
    plist_test::WriteFile(folder / "big.plist", big);
    std::filesystem::create_directory(folder / "folder.plist");
    for (const char* name : {"array.plist", "string.plist", "garbage.plist", "empty.plist",
                             "big.plist", "folder.plist", "missing.plist"}) {
        EXPECT_FALSE(DictionaryWithContentsOfFile(folder / name)) << name;
    }
    EXPECT_FALSE(DictionaryWithContentsOfFile(std::nullopt));
    EXPECT_FALSE(DictionaryWithContentsOfFile(std::string()));
}

// ---- strings tables -----------------------------------------------------------------------

TEST(StringsTableTest, ReadsTheStringsFileFormInUtf16) {
    const auto table = ParseStringsTable(Utf16FromAscii(
        "/* Pane texts */\n\"Title\" = \"Content\";\n\"OK_BUTTON\" = \"OK\";\n", false));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->keys(), (std::vector<std::string>{"Title", "OK_BUTTON"}));
    EXPECT_EQ(*table->find("Title")->string(), "Content");
}

TEST(StringsTableTest, ReadsAnyDictionaryAndKeepsOnlyStrings) {
    const PlistValue tree = Dict({{"a", "x"}, {"n", plist_test::Int(3)}, {"d", Dict({})}});
    const auto table = ParseStringsTable(ToBytes(foundation::XmlPropertyListText(tree)));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->keys(), (std::vector<std::string>{"a"}));
}

TEST(StringsTableTest, CommentsAloneAreAnEmptyTable) {
    const auto table = ParseStringsTable(ToBytes("/* nothing yet */\n// none\n"));
    ASSERT_TRUE(table);
    EXPECT_TRUE(table->empty());
}

TEST(StringsTableTest, NonTablesReadAsNothing) {
    EXPECT_FALSE(ParseStringsTable({}));
    EXPECT_FALSE(ParseStringsTable(ToBytes("(a, b)")));
    EXPECT_FALSE(ParseStringsTable(ToBytes("\"a\" = \"b\"")));
    EXPECT_FALSE(ParseStringsTable(ToBytes("\"a\" = \"caf\xe9\";")));
}

}  // namespace
