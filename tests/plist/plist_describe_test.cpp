// DescribePlist: the NSDictionary and NSArray description text of macOS log lines.
#include <gtest/gtest.h>

#include "foundation/plist_value.h"
#include "plist_test_support.h"

namespace {

using foundation::DescribePlist;
using foundation::PlistData;
using foundation::PlistDate;
using foundation::PlistValue;
using plist_test::Array;
using plist_test::Dict;
using plist_test::Int;

TEST(DescribePlistTest, TopLevelScalarsStandBare) {
    EXPECT_EQ(DescribePlist(PlistValue("two words")), "two words");
    EXPECT_EQ(DescribePlist(PlistValue("")), "");
    EXPECT_EQ(DescribePlist(Int(-3)), "-3");
    EXPECT_EQ(DescribePlist(PlistValue(1.25)), "1.25");
    EXPECT_EQ(DescribePlist(PlistValue(true)), "1");
    EXPECT_EQ(DescribePlist(PlistDate{0}), "2001-01-01 00:00:00 +0000");
}

TEST(DescribePlistTest, DictionaryOfPlainAndQuotedStrings) {
    const PlistValue dict = Dict({{"Plain_$.:/-09", "Quillet"},
                                  {"Product Name", "a b"},
                                  {"empty", ""},
                                  {"escapes", "say \"hi\"\\\nnext"}});
    EXPECT_EQ(DescribePlist(dict),
              "{\n"
              "    Plain_$.:/-09 = Quillet;\n"
              "    \"Product Name\" = \"a b\";\n"
              "    empty = \"\";\n"
              "    escapes = \"say \\\"hi\\\"\\\\\\nnext\";\n"
              "}");
}

TEST(DescribePlistTest, OnlyTheDocumentedCharactersStayUnquoted) {
    EXPECT_EQ(DescribePlist(Array({"az_$.:/-AZ09", "a+b", "a,b", "caf\xc3\xa9", "a;b"})),
              "(\n"
              "    az_$.:/-AZ09,\n"
              "    \"a+b\",\n"
              "    \"a,b\",\n"
              "    \"caf\xc3\xa9\",\n"
              "    \"a;b\"\n"
              ")");
}

TEST(DescribePlistTest, NestedContainersCarryTheirIndentAfterTheEqualsSign) {
    const PlistValue tree = Dict({
        {"key", Dict({{"b", "c"}, {"list", Array({"x", Int(2)})}})},
        {"empty", Dict({})},
        {"none", Array({})},
    });
    EXPECT_EQ(DescribePlist(tree),
              "{\n"
              "    key =     {\n"
              "        b = c;\n"
              "        list =         (\n"
              "            x,\n"
              "            2\n"
              "        );\n"
              "    };\n"
              "    empty =     {\n"
              "    };\n"
              "    none =     (\n"
              "    );\n"
              "}");
}

TEST(DescribePlistTest, DictionariesInsideArrays) {
    EXPECT_EQ(DescribePlist(Array({Dict({{"a", "b"}}), "tail"})),
              "(\n"
              "        {\n"
              "        a = b;\n"
              "    },\n"
              "    tail\n"
              ")");
}

TEST(DescribePlistTest, EmptyTopLevelContainers) {
    EXPECT_EQ(DescribePlist(Dict({})), "{\n}");
    EXPECT_EQ(DescribePlist(Array({})), "(\n)");
}

TEST(DescribePlistTest, NumbersDataAndDatesInsideContainers) {
    const PlistValue dict = Dict({
        {"n", Int(12)},
        {"r", 0.5},
        {"t", true},
        {"f", false},
        {"d", PlistData{0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f, 0x60, 0x71, 0x82}},
        {"e", PlistData{}},
        {"when", PlistDate{86400.0 * 366 + 3661}},
    });
    EXPECT_EQ(DescribePlist(dict),
              "{\n"
              "    n = 12;\n"
              "    r = 0.5;\n"
              "    t = 1;\n"
              "    f = 0;\n"
              "    d = <0a1b2c3d 4e5f6071 82>;\n"
              "    e = <>;\n"
              "    when = \"2002-01-02 01:01:01 +0000\";\n"
              "}");
}

}  // namespace
