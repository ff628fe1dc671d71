// The platform's UTF-8 codec: every length boundary, every kind of malformed input, both
// whole-text policies, and the whole of it against Python's codec (utf8_reference.py).
#include "system/utf8_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_folder.h"

namespace {

using platform::AppendUtf8;
using platform::DecodeUtf8;
using platform::DecodeUtf8Text;
using platform::IsValidUtf8;
using platform::Utf8Malformed;

struct Encoding {
    char32_t code;
    std::string bytes;
};

// The first and last code point of each encoded length, and the edges of the surrogate gap.
const std::vector<Encoding> kBoundaries = {
    {0x0000, std::string(1, '\0')}, {0x007F, "\x7F"},
    {0x0080, "\xC2\x80"},           {0x07FF, "\xDF\xBF"},
    {0x0800, "\xE0\xA0\x80"},       {0xD7FF, "\xED\x9F\xBF"},
    {0xE000, "\xEE\x80\x80"},       {0xFFFD, "\xEF\xBF\xBD"},
    {0xFFFF, "\xEF\xBF\xBF"},       {0x10000, "\xF0\x90\x80\x80"},
    {0x10FFFF, "\xF4\x8F\xBF\xBF"},
};

// Byte strings whose first character is malformed, by kind.
const std::vector<std::string> kMalformedStarts = {
    // Overlong forms of U+0000, U+007F, U+07FF and U+FFFF.
    "\xC0\x80",
    "\xC1\xBF",
    "\xE0\x80\x80",
    "\xE0\x9F\xBF",
    "\xF0\x80\x80\x80",
    "\xF0\x8F\xBF\xBF",
    // Surrogates.
    "\xED\xA0\x80",
    "\xED\xAF\xBF",
    "\xED\xB0\x80",
    "\xED\xBF\xBF",
    // Beyond U+10FFFF, and bytes that never lead.
    "\xF4\x90\x80\x80",
    "\xF5\x80\x80\x80",
    "\xF8\x88\x80\x80\x80",
    "\xFE",
    "\xFF",
    // Cut short, at the end or by a byte that is no continuation.
    "\xC3",
    "\xE2\x82",
    "\xF0\x9F\x98",
    "\xC3\x41",
    "\xE2\x28\xA1",
    "\xF0\x9F\x98\x41",
    // A continuation byte on its own.
    "\x80",
    "\xBF",
};

TEST(Utf8Codec, EachLengthBoundaryDecodesAndEncodes) {
    for (const Encoding& e : kBoundaries) {
        const platform::Utf8Char c = DecodeUtf8(e.bytes + "tail");
        EXPECT_TRUE(c.valid) << std::hex << static_cast<unsigned>(e.code);
        EXPECT_EQ(c.code, e.code);
        EXPECT_EQ(c.bytes, e.bytes.size());
        std::string out = "x";
        EXPECT_TRUE(AppendUtf8(out, e.code));
        EXPECT_EQ(out, "x" + e.bytes);
    }
}

TEST(Utf8Codec, EncodingRefusesSurrogatesAndValuesBeyondUnicode) {
    for (const char32_t code : {0xD800u, 0xDBFFu, 0xDC00u, 0xDFFFu, 0x110000u, 0xFFFFFFFFu}) {
        std::string out = "kept";
        EXPECT_FALSE(AppendUtf8(out, code)) << std::hex << static_cast<unsigned>(code);
        EXPECT_EQ(out, "kept");
    }
}

TEST(Utf8Codec, MalformedStartIsOneByteReadAsReplacement) {
    for (const std::string& bytes : kMalformedStarts) {
        const platform::Utf8Char c = DecodeUtf8(bytes);
        EXPECT_FALSE(c.valid) << testing::PrintToString(bytes);
        EXPECT_EQ(c.bytes, 1u);
        EXPECT_EQ(c.code, platform::kReplacementCharacter);
        EXPECT_FALSE(IsValidUtf8("ok" + bytes));
    }
}

TEST(Utf8Codec, EmptyText) {
    const platform::Utf8Char c = DecodeUtf8("");
    EXPECT_FALSE(c.valid);
    EXPECT_EQ(c.bytes, 0u);
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(DecodeUtf8Text("", Utf8Malformed::kStop).empty());
    EXPECT_TRUE(DecodeUtf8Text("", Utf8Malformed::kReplace).empty());
}

TEST(Utf8Codec, StopKeepsTheWellFormedBeginning) {
    EXPECT_EQ(DecodeUtf8Text("A\xC3\xA9\xE2\x82", Utf8Malformed::kStop), U"A\u00E9");
    EXPECT_EQ(DecodeUtf8Text("\x80"
                             "A",
                             Utf8Malformed::kStop),
              U"");
    EXPECT_EQ(DecodeUtf8Text(std::string("a\0b", 3), Utf8Malformed::kStop),
              std::u32string(U"a\0b", 3));
}

TEST(Utf8Codec, ReplaceTurnsEachMalformedByteIntoOneReplacement) {
    // The truncated E2 82 is two malformed bytes, the surrogate ED A0 80 three.
    EXPECT_EQ(DecodeUtf8Text("A\xE2\x82"
                             "B\xED\xA0\x80\xF0\x9F\x98\x80",
                             Utf8Malformed::kReplace),
              U"A\uFFFD\uFFFDB\uFFFD\uFFFD\uFFFD\U0001F600");
}

// Inputs for the comparison with Python: every one- and two-byte string, three-byte strings
// for every lead and second byte of a three-byte form, four-byte strings for every lead and
// second byte of a four-byte form, and the boundary and malformed cases above, alone and
// between ASCII letters.
std::vector<std::string> ReferenceCases() {
    std::vector<std::string> cases;
    const auto bytes = [](std::initializer_list<unsigned> values) {
        std::string s;
        for (const unsigned v : values) s.push_back(static_cast<char>(v));
        return s;
    };
    for (unsigned a = 0; a < 256; ++a) {
        cases.push_back(bytes({a}));
        for (unsigned b = 0; b < 256; ++b) cases.push_back(bytes({a, b}));
    }
    const unsigned tails[] = {0x00, 0x41, 0x7F, 0x80, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (unsigned lead = 0xE0; lead <= 0xEF; ++lead) {
        for (unsigned second = 0; second < 256; ++second) {
            for (const unsigned third : tails) cases.push_back(bytes({lead, second, third}));
        }
    }
    for (unsigned lead = 0xF0; lead <= 0xF7; ++lead) {
        for (unsigned second = 0; second < 256; ++second) {
            for (const unsigned third : {0x41u, 0x80u, 0xBFu}) {
                for (const unsigned fourth : {0x7Fu, 0x80u, 0xBFu, 0xC0u}) {
                    cases.push_back(bytes({lead, second, third, fourth}));
                }
            }
        }
    }
    for (const Encoding& e : kBoundaries) cases.push_back("a" + e.bytes + "b");
    for (const std::string& s : kMalformedStarts) cases.push_back("a" + s + "b" + s);
    return cases;
}

std::string Hex(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
        out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
    }
    return out;
}

std::string Points(const std::u32string& text) {
    if (text.empty()) return "-";
    std::ostringstream out;
    out << std::uppercase << std::hex;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out << (i == 0 ? "" : ",") << static_cast<unsigned long>(text[i]);
    }
    return out.str();
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Utf8CodecAgainstPython, DecodingAgreesOnEveryCase) {
    const packgate_test::ScratchFolder folder;
    const std::vector<std::string> cases = ReferenceCases();
    std::string input;
    for (const std::string& c : cases) input += Hex(c) + "\n";
    const std::string in = folder.Write("cases.txt", input);
    const std::string out = folder / "python.txt";
    ASSERT_EQ(packgate_test::RunProgram({"python3", UTF8_REFERENCE_SCRIPT, "decode", in, out}), 0);

    std::istringstream python(ReadWhole(out));
    std::string line;
    std::size_t disagreements = 0;
    for (const std::string& c : cases) {
        ASSERT_TRUE(std::getline(python, line));
        const std::string ours = std::to_string(IsValidUtf8(c) ? 1 : 0) + " " +
                                 Points(DecodeUtf8Text(c, Utf8Malformed::kStop)) + " " +
                                 Points(DecodeUtf8Text(c, Utf8Malformed::kReplace));
        if (ours != line && ++disagreements <= 10) {
            ADD_FAILURE() << Hex(c) << ": ours " << ours << ", Python " << line;
        }
    }
    EXPECT_EQ(disagreements, 0u) << "of " << cases.size();
}

TEST(Utf8CodecAgainstPython, EncodingAgreesOnEveryScalarValue) {
    const packgate_test::ScratchFolder folder;
    const std::string out = folder / "python.bin";
    ASSERT_EQ(packgate_test::RunProgram({"python3", UTF8_REFERENCE_SCRIPT, "encode", out}), 0);
    std::string ours;
    for (char32_t c = 0; c < 0x110000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        ASSERT_TRUE(AppendUtf8(ours, c)) << std::hex << static_cast<unsigned>(c);
    }
    const std::string python = ReadWhole(out);
    EXPECT_EQ(ours.size(), python.size());
    EXPECT_TRUE(ours == python);
    // And back: the whole stream decodes to every scalar value in order.
    const std::u32string decoded = DecodeUtf8Text(ours, Utf8Malformed::kStop);
    ASSERT_EQ(decoded.size(), 0x110000u - 0x800u);
    EXPECT_EQ(decoded[0xD7FF], 0xD7FFu);
    EXPECT_EQ(decoded[0xD800], 0xE000u);
    EXPECT_EQ(decoded.back(), 0x10FFFFu);
}

}  // namespace
