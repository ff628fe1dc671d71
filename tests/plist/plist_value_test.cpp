#include <gtest/gtest.h>

#include "foundation/plist_value.h"
#include "plist_test_support.h"

namespace {

using foundation::PlistDict;
using foundation::PlistValue;
using plist_test::Int;

TEST(PlistDictTest, KeepsInsertionOrderAndReplacesInPlace) {
    PlistDict dict;
    dict.set("zeta", "1");
    dict.set("alpha", "2");
    dict.set("mid", "3");
    dict.set("zeta", "4");
    EXPECT_EQ(dict.keys(), (std::vector<std::string>{"zeta", "alpha", "mid"}));
    EXPECT_EQ(*dict.valueAt(0).string(), "4");
    EXPECT_EQ(dict.size(), 3u);
}

TEST(PlistDictTest, EraseKeepsLookupsOfTheKeysAfterIt) {
    PlistDict dict;
    for (const char* key : {"a", "b", "c", "d"}) dict.set(key, key);
    EXPECT_TRUE(dict.erase("b"));
    EXPECT_FALSE(dict.erase("b"));
    EXPECT_EQ(dict.keys(), (std::vector<std::string>{"a", "c", "d"}));
    ASSERT_NE(dict.find("d"), nullptr);
    EXPECT_EQ(*dict.find("d")->string(), "d");
    dict.set("d", "changed");
    EXPECT_EQ(*dict.valueAt(2).string(), "changed");
    EXPECT_EQ(dict.find("b"), nullptr);
}

TEST(PlistDictTest, CopiesKeepTheirOwnLookups) {
    PlistDict original;
    original.set("k", "v");
    PlistDict copy = original;
    copy.set("k", "other");
    copy.set("new", "x");
    EXPECT_EQ(*original.find("k")->string(), "v");
    EXPECT_EQ(original.find("new"), nullptr);
    EXPECT_EQ(*copy.find("k")->string(), "other");
}

TEST(PlistDictTest, ManyKeysStayFast) {
    // A reader inserts every key of a hostile file; a scan per insert would be quadratic.
    PlistDict dict;
    for (int i = 0; i < 100000; ++i) dict.set("key" + std::to_string(i), Int(i));
    EXPECT_EQ(dict.size(), 100000u);
    EXPECT_EQ(*dict.find("key65432")->integer(), 65432);
}

TEST(PlistDictTest, EqualityIgnoresOrderButNotValues) {
    PlistDict a;
    a.set("x", "1");
    a.set("y", "2");
    PlistDict b;
    b.set("y", "2");
    b.set("x", "1");
    EXPECT_TRUE(a == b);
    b.set("x", "changed");
    EXPECT_FALSE(a == b);
    PlistDict c = a;
    c.set("z", "3");
    EXPECT_FALSE(a == c);
}

TEST(PlistAccessTest, StringValueTakesOnlyStrings) {
    const PlistValue text("abc");
    const PlistValue number(Int(5));
    EXPECT_EQ(foundation::StringValue(&text), "abc");
    EXPECT_EQ(foundation::StringValue(&number), std::nullopt);
    EXPECT_EQ(foundation::StringValue(nullptr), std::nullopt);
}

TEST(PlistAccessTest, TextValueWritesNumbersAsDecimalText) {
    const PlistValue integer(Int(-120));
    const PlistValue real(2.5);
    const PlistValue whole(3.0);
    const PlistValue tenth(0.1);
    const PlistValue boolean(true);
    EXPECT_EQ(foundation::TextValue(&integer), "-120");
    EXPECT_EQ(foundation::TextValue(&real), "2.5");
    EXPECT_EQ(foundation::TextValue(&whole), "3");
    EXPECT_EQ(foundation::TextValue(&tenth), "0.1");
    EXPECT_EQ(foundation::TextValue(&boolean), std::nullopt);
    EXPECT_EQ(foundation::TextValue(nullptr), std::nullopt);
}

TEST(PlistAccessTest, LookupsThroughAbsentLevelsAreAbsent) {
    const PlistValue tree = plist_test::Dict(
        {{"Velmora", plist_test::Dict({{"Brellion", plist_test::Dict({{"n", Int(7)}})}})},
         {"s", "text"}});
    const PlistDict* top = tree.dict();
    const PlistDict* registry =
        foundation::DictForKey(foundation::DictForKey(top, "Velmora"), "Brellion");
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(foundation::TextForKey(registry, "n"), "7");
    EXPECT_EQ(foundation::StringForKey(registry, "n"), std::nullopt);
    EXPECT_EQ(foundation::DictForKey(top, "s"), nullptr);
    EXPECT_EQ(foundation::DictForKey(top, "missing"), nullptr);
    EXPECT_EQ(foundation::StringForKey(nullptr, "s"), std::nullopt);
    EXPECT_EQ(foundation::TextForKey(nullptr, "s"), std::nullopt);
    EXPECT_EQ(foundation::DictForKey(nullptr, "s"), nullptr);
}

}  // namespace
