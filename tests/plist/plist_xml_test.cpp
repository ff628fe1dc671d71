// XML property lists: files written by plistlib, our writer checked against plistlib byte for
// byte, the element grammar, and hostile XML.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "foundation/plist_read.h"
#include "foundation/plist_write.h"
#include "plist_test_support.h"

namespace {

using foundation::PlistData;
using foundation::PlistDate;
using foundation::PlistValue;
using foundation::XmlPropertyListText;
using plist_test::Array;
using plist_test::Dict;
using plist_test::Int;
using plist_test::Parse;

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

std::string InPlist(const std::string& body) {
    return std::string(kHead) + body + "\n</plist>\n";
}

// ---- files written by plistlib ------------------------------------------------------------

TEST(XmlFromPlistlibTest, ReadsEveryKindOfValueInOrder) {
    packgate_test::ScratchFolder folder;
    const PlistValue tree = plist_test::EveryKindTree();
    ASSERT_TRUE(plist_test::PlistlibWrite(folder.path(), {{"every", "xml", tree}}));
    std::string error;
    unsigned format = 0;
    const auto bytes = plist_test::ReadFile(folder / "every.plist");
    const auto value = foundation::ParsePropertyList(bytes, &error, &format);
    ASSERT_TRUE(value) << error;
    EXPECT_EQ(format, 100u);
    EXPECT_TRUE(plist_test::SameTree(*value, tree));
}

TEST(XmlFromPlistlibTest, ReadsLongDataAndExtremeNumbers) {
    packgate_test::ScratchFolder folder;
    PlistData blob(1000);
    for (std::size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<std::uint8_t>(i * 7);
    const PlistValue tree = Array({
        PlistValue(blob),
        Int(std::numeric_limits<std::int64_t>::min()),
        Int(std::numeric_limits<std::int64_t>::max()),
        1e300,
        -2.5e-300,
        PlistDate{-86400.0 * 365},
    });
    ASSERT_TRUE(plist_test::PlistlibWrite(folder.path(), {{"extremes", "xml", tree}}));
    const auto value =
        foundation::ParsePropertyList(plist_test::ReadFile(folder / "extremes.plist"));
    ASSERT_TRUE(value);
    EXPECT_TRUE(plist_test::SameTree(*value, tree));
}

// ---- our writer ---------------------------------------------------------------------------

TEST(XmlWriterTest, WritesApplesFormExactly) {
    EXPECT_EQ(XmlPropertyListText(Dict({{"A", "b"}})), std::string(kHead) +
                                                           "<dict>\n"
                                                           "\t<key>A</key>\n"
                                                           "\t<string>b</string>\n"
                                                           "</dict>\n"
                                                           "</plist>\n");
}

TEST(XmlWriterTest, MatchesPlistlibByteForByte) {
    const PlistValue tree = Dict({
        {"ApplicationPath", "/Applications/Quillet 3/Quillet.app"},
        {"Escapes", "Tom & Jerry <tag> \"quoted\" 'single'"},
        {"Unicode", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x8e\xa8 caf\xc3\xa9"},
        {"Empty", ""},
        {"Lines", "one\ntwo\tthree"},
        {"Nested", Dict({{"Deeper", Dict({{"k", "v"}})}, {"List", Array({"a", "b"})}})},
        {"EmptyDict", Dict({})},
        {"EmptyList", Array({})},
        {"Count", Int(-12)},
        {"Flags", Array({true, false})},
        {"When", PlistDate{600000000}},
        {"Small", PlistData{1, 2, 3, 250}},
        {"Key with <markup> & more", "x"},
    });
    packgate_test::ScratchFolder folder;
    ASSERT_TRUE(plist_test::PlistlibWrite(folder.path(), {{"reference", "xml", tree}}));
    EXPECT_EQ(XmlPropertyListText(tree),
              plist_test::ToText(plist_test::ReadFile(folder / "reference.plist")));
}

TEST(XmlWriterTest, PlistlibReadsEveryKindBack) {
    packgate_test::ScratchFolder folder;
    PlistData blob(300);
    for (std::size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<std::uint8_t>(255 - i);
    const PlistValue tree = Array({plist_test::EveryKindTree(), PlistValue(blob), 1.0 / 3, 1e100,
                                   -0.0, 5e-324, PlistDate{-1234567890}});
    const std::string path = folder / "ours.plist";
    plist_test::WriteFile(path, plist_test::ToBytes(XmlPropertyListText(tree)));
    EXPECT_TRUE(plist_test::PlistlibReadsAs(path, tree));
}

// Every XML reader turns a raw CR or CR LF into LF, so carriage returns must travel as
// character references; the other line-break characters of Unicode are not changed by XML 1.0
// readers and stay as they are.
TEST(XmlWriterTest, CarriageReturnsTravelAsCharacterReferences) {
    const PlistValue tree = Dict({
        {"Lone", "a\rb"},
        {"Pair", "one\r\ntwo\r"},
        {"Blank", "\r\n\t \r"},
        {"Unicode breaks", "nel\xC2\x85ls\xE2\x80\xA8ps\xE2\x80\xA9" "end"},
        {"Key\rwith\r\nbreaks", "x"},
        {"Nested", Array({"\r", Dict({{"k", "\r\r"}})})},
    });
    const std::string text = XmlPropertyListText(tree);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.find("<string>a&#13;b</string>"), std::string::npos) << text;
    EXPECT_NE(text.find("<string>one&#13;\ntwo&#13;</string>"), std::string::npos) << text;
    EXPECT_NE(text.find("<key>Key&#13;with&#13;\nbreaks</key>"), std::string::npos) << text;
    EXPECT_NE(text.find("nel\xC2\x85ls\xE2\x80\xA8ps\xE2\x80\xA9" "end"), std::string::npos);

    const auto back = Parse(text);
    ASSERT_TRUE(back);
    EXPECT_TRUE(plist_test::SameTree(*back, tree));
    packgate_test::ScratchFolder folder;
    const std::string path = folder / "breaks.plist";
    plist_test::WriteFile(path, plist_test::ToBytes(text));
    EXPECT_TRUE(plist_test::PlistlibReadsAs(path, tree));
}

TEST(XmlWriterTest, DataIsBase64InTabIndentedLinesOfAtMost76) {
    PlistData blob(200, 0xAB);
    const std::string text = XmlPropertyListText(Dict({{"d", PlistValue(blob)}}));
    const auto open = text.find("\t<data>\n");
    const auto close = text.find("\t</data>\n");
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    std::string body = text.substr(open + 8, close - open - 8);
    std::size_t lines = 0;
    for (std::size_t start = 0; start < body.size(); ++lines) {
        const auto end = body.find('\n', start);
        const std::string line = body.substr(start, end - start);
        EXPECT_EQ(line[0], '\t');
        EXPECT_LE(line.size() - 1, 76u);
        start = end + 1;
    }
    EXPECT_EQ(lines, 4u);  // 200 bytes are 268 base64 characters
}

TEST(XmlWriterTest, RealsReadBackExactly) {
    for (const double value :
         {0.1, 1.0 / 3, 1e100, -2.5, 123456789.125, 5e-324, std::numeric_limits<double>::max()}) {
        const auto back = Parse(XmlPropertyListText(PlistValue(value)));
        ASSERT_TRUE(back && back->real()) << value;
        EXPECT_EQ(*back->real(), value);
    }
    EXPECT_NE(XmlPropertyListText(PlistValue(1.5)).find("<real>1.5</real>"), std::string::npos);
    EXPECT_NE(XmlPropertyListText(PlistValue(std::numeric_limits<double>::infinity()))
                  .find("<real>+infinity</real>"),
              std::string::npos);
    EXPECT_NE(XmlPropertyListText(PlistValue(std::nan(""))).find("<real>nan</real>"),
              std::string::npos);
}

TEST(XmlWriterTest, DatesBeforeAndAfter2001ReadBack) {
    for (const double seconds : {0.0, -1.0, -978307200.0, 600000000.0, 4102444800.0}) {
        const std::string text = XmlPropertyListText(PlistDate{seconds});
        const auto back = Parse(text);
        ASSERT_TRUE(back && back->date()) << text;
        EXPECT_EQ(back->date()->secondsSince2001, seconds) << text;
    }
    EXPECT_NE(XmlPropertyListText(PlistDate{-1}).find("<date>2000-12-31T23:59:59Z</date>"),
              std::string::npos);
}

// ---- element grammar ----------------------------------------------------------------------

TEST(XmlGrammarTest, IntegersInDecimalAndHex) {
    const auto value =
        Parse(InPlist("<array><integer>42</integer><integer> -17 </integer><integer>+5</integer>"
                      "<integer>0x1F</integer><integer>-0x10</integer>"
                      "<integer>-9223372036854775808</integer></array>"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Array({Int(42), Int(-17), Int(5), Int(31), Int(-16),
                             Int(std::numeric_limits<std::int64_t>::min())}));
}

TEST(XmlGrammarTest, RefusesMalformedOrOutOfRangeIntegers) {
    for (const char* bad : {"", "12a", "1.5", "0x", "9223372036854775808", "--1", "1 2"}) {
        EXPECT_FALSE(Parse(InPlist(std::string("<integer>") + bad + "</integer>"))) << bad;
    }
}

TEST(XmlGrammarTest, RealsIncludingSpecialValues) {
    const auto value = Parse(
        InPlist("<array><real>1.5</real><real>-2e3</real><real>.25</real><real>+infinity</real>"
                "<real>-inf</real><real>1e999</real></array>"));
    ASSERT_TRUE(value);
    const auto& items = *value->array();
    EXPECT_EQ(*items[0].real(), 1.5);
    EXPECT_EQ(*items[1].real(), -2000);
    EXPECT_EQ(*items[2].real(), 0.25);
    EXPECT_EQ(*items[3].real(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(*items[4].real(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(*items[5].real(), std::numeric_limits<double>::infinity());
    const auto nan = Parse(InPlist("<real>NaN</real>"));
    ASSERT_TRUE(nan && nan->real());
    EXPECT_TRUE(std::isnan(*nan->real()));
    EXPECT_FALSE(Parse(InPlist("<real>one</real>")));
    EXPECT_FALSE(Parse(InPlist("<real></real>")));
}

TEST(XmlGrammarTest, DatesWithOptionalParts) {
    const auto value =
        Parse(InPlist("<array><date>2001-01-01T00:00:00Z</date><date>2001-01-02Z</date>"
                      "<date>2000Z</date></array>"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Array({PlistDate{0}, PlistDate{86400}, PlistDate{-86400.0 * 366}}));
    for (const char* bad : {"2001-01-01T00:00:00", "2001-13-01T00:00:00Z", "01-01-01Z", "x"}) {
        EXPECT_FALSE(Parse(InPlist(std::string("<date>") + bad + "</date>"))) << bad;
    }
}

TEST(XmlGrammarTest, DataWithWhiteSpaceAndPadding) {
    const auto value = Parse(
        InPlist("<array><data>\n\tAAEC\n\t/w==\n</data><data></data><data>AA</data></array>"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Array({PlistData{0, 1, 2, 0xff}, PlistData{}, PlistData{0}}));
    for (const char* bad : {"A", "AA=A", "AAAA=", "AA*A"}) {
        EXPECT_FALSE(Parse(InPlist(std::string("<data>") + bad + "</data>"))) << bad;
    }
}

TEST(XmlGrammarTest, TextWithEscapesCdataAndComments) {
    const auto value =
        Parse(InPlist("<array><string>a &amp; b &lt;c&gt; &#x41;&#66;</string>"
                      "<string><![CDATA[<raw> & ]]>tail</string><string>x<!-- note -->y</string>"
                      "<string>  spaced  </string><string/></array>"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Array({"a & b <c> AB", "<raw> & tail", "xy", "  spaced  ", ""}));
}

// The values are built as the text is parsed: text that arrives in pieces (white space
// alone, around a comment, past the parser's buffer) still makes one value, and what lies
// between values is held to the same rules at every depth.
TEST(XmlGrammarTest, TextInPiecesAndContentBetweenValues) {
    const std::string longText(300000, 'q');
    const auto value = Parse(InPlist("<array><string> \t </string><string> <!-- c --> x</string><string>" +
                                     longText + "&amp;</string></array>"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Array({" \t ", "  x", longText + "&"}));
    for (const char* bad : {"<array><![CDATA[x]]></array>", "<array><string>a</string>&amp;</array>",
                            "<dict><key>k</key><dict><key>j</key><![CDATA[ ]]><string/></dict></dict>",
                            "<string>a</string>\n<string>b</string>"}) {
        std::string error;
        EXPECT_FALSE(Parse(InPlist(bad), &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(XmlGrammarTest, BooleansEmptyContainersAndBareRoot) {
    EXPECT_EQ(Parse(InPlist("<array><true/><false/><dict/><array/></array>")),
              Array({true, false, Dict({}), Array({})}));
    // A value element without <plist> around it reads as macOS reads it.
    EXPECT_EQ(Parse("<dict><key>k</key><string>v</string></dict>"), Dict({{"k", "v"}}));
    EXPECT_FALSE(Parse(InPlist("<true>yes</true>")));
}

TEST(XmlGrammarTest, DictionaryKeepsFileOrderAndTheLastDuplicate) {
    const auto value =
        Parse(InPlist("<dict><key>z</key><string>1</string><key>a</key><string>2</string>"
                      "<key>z</key><string>3</string></dict>"));
    ASSERT_TRUE(value && value->dict());
    EXPECT_EQ(value->dict()->keys(), (std::vector<std::string>{"z", "a"}));
    EXPECT_EQ(*value->dict()->find("z")->string(), "3");
}

TEST(XmlGrammarTest, RefusesMalformedStructure) {
    const char* bad[] = {
        "<dict><key>k</key></dict>",        // key without value
        "<dict><string>v</string></dict>",  // value without key
        "<dict><key>k</key><key>j</key><string>v</string></dict>",
        "<dict><key><b/>k</key><string>v</string></dict>",  // element inside a key
        "<array><foo/></array>",                            // unknown element
        "<array>loose text<string>a</string></array>",
        "<string><b>bold</b></string>",
        "",  // empty <plist>
    };
    for (const char* body : bad) {
        std::string error;
        EXPECT_FALSE(Parse(InPlist(body), &error)) << body;
        EXPECT_FALSE(error.empty()) << body;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    EXPECT_FALSE(Parse(std::string(kHead) + "<string>a</string><string>b</string></plist>"));
    EXPECT_FALSE(Parse(std::string(kHead) + "<dict>"));  // not well-formed
    EXPECT_FALSE(Parse("<?xml version=\"1.0\"?>"));
}

// ---- hostile XML --------------------------------------------------------------------------

TEST(XmlHostileTest, EntitiesAreNeitherExpandedNorLoaded) {
    packgate_test::ScratchFolder folder;
    const std::string secret = folder / "secret.txt";
    plist_test::WriteFile(secret, plist_test::ToBytes("SECRET"));
    const std::string external =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY x SYSTEM \"file://" + secret +
        "\">]>\n<plist><string>&x;</string></plist>";
    EXPECT_FALSE(Parse(external));
    const std::string internal =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY x \"inside\">]>\n"
        "<plist><string>&x;</string></plist>";
    EXPECT_FALSE(Parse(internal));
}

TEST(XmlHostileTest, BillionLaughsFailsQuickly) {
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n<!ENTITY a0 \"laugh\">\n";
    for (int i = 1; i <= 10; ++i) {
        text += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) text += "&a" + std::to_string(i - 1) + ";";
        text += "\">\n";
    }
    text += "]>\n<plist><string>&a10;</string></plist>";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Parse(text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

std::string NestedArrays(std::size_t depth) {
    std::string text = "<plist>";
    for (std::size_t i = 0; i < depth; ++i) text += "<array>";
    for (std::size_t i = 0; i < depth; ++i) text += "</array>";
    return text + "</plist>";
}

TEST(XmlHostileTest, NestingIsBoundedWithoutRunningDeep) {
    EXPECT_TRUE(Parse(NestedArrays(200)));
    std::string error;
    EXPECT_FALSE(Parse(NestedArrays(300), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(Parse(NestedArrays(200000)));
}

}  // namespace
