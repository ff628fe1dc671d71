#include "uuid_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using hostmark::kUUIDBufferSize;
using hostmark::UUIDText;
using hostmark::WriteUUIDText;

TEST(UUIDText, KeepsAnOrdinaryUUIDWithItsLetterCase) {
    EXPECT_EQ(UUIDText("3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4"),
              "3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4");
    EXPECT_EQ(UUIDText("3d1219c7-c4c5-404a-aa1f-6d2a48adfda4"),
              "3d1219c7-c4c5-404a-aa1f-6d2a48adfda4");
    EXPECT_EQ(UUIDText(""), "");
}

TEST(UUIDText, GivesTheLastGroupOfAPlaceholderUUIDInLowerCase) {
    EXPECT_EQ(UUIDText("00000000-0000-1000-8000-0A1B2C3D4E5F"), "0a1b2c3d4e5f");
    EXPECT_EQ(UUIDText("00000000-0000-1000-8000-abcdef012345"), "abcdef012345");
}

TEST(UUIDText, TakesThePartAfterTheLastDashOfAnyPlaceholderText) {
    EXPECT_EQ(UUIDText("00000000-0000-1000-8000-"), "");
    EXPECT_EQ(UUIDText("00000000-0000-1000-8000-AB-CD"), "cd");
}

TEST(UUIDText, NeedsTheWholePrefixAtTheStart) {
    EXPECT_EQ(UUIDText("00000000-0000-1000-8001-0A1B2C3D4E5F"),
              "00000000-0000-1000-8001-0A1B2C3D4E5F");
    EXPECT_EQ(UUIDText("00000000-0000-1000-8000"), "00000000-0000-1000-8000");
    EXPECT_EQ(UUIDText("X00000000-0000-1000-8000-0A1B2C3D4E5F"),
              "X00000000-0000-1000-8000-0A1B2C3D4E5F");
}

TEST(UUIDText, GivesTheEmptyTextForBytesThatAreNotUtf8) {
    for (const char* bad : {
             "\xFF",                                          // never a UTF-8 byte
             "4C4C4544-0042-3510-8052-B4C04F4A4D3\x80",       // stray continuation byte
             "4C4C4544-\xC0\xAF",                             // overlong '/'
             "4C4C4544-\xED\xA0\x80",                         // surrogate
             "4C4C4544-\xE2\x82",                             // sequence cut short
             "caf\xE9",                                       // Latin-1, not UTF-8
             "00000000-0000-1000-8000-0A1B2C3D4E5\xC3",       // placeholder, bad last group
             "00000000-0000-1000-8000-\xF5\x80\x80\x80-AB",     // beyond U+10FFFF
         }) {
        EXPECT_EQ(UUIDText(bad), "") << bad;
    }
}

TEST(UUIDText, KeepsTextThatIsUtf8BeyondAscii) {
    EXPECT_EQ(UUIDText("caf\xC3\xA9-\xF0\x9F\x94\x91"), "caf\xC3\xA9-\xF0\x9F\x94\x91");
    EXPECT_EQ(UUIDText("00000000-0000-1000-8000-\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89");
}

// The buffer is followed by guard bytes that must survive every write.
struct GuardedBuffer {
    static constexpr std::size_t kGuard = 64;
    std::vector<char> bytes = std::vector<char>(kUUIDBufferSize + kGuard, '#');
    char* data() { return bytes.data(); }
    bool GuardIntact() const {
        return std::all_of(bytes.begin() + kUUIDBufferSize, bytes.end(),
                           [](char c) { return c == '#'; });
    }
    bool ZeroFrom(std::size_t start) const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                           bytes.begin() + kUUIDBufferSize, [](char c) { return c == 0; });
    }
};

TEST(WriteUUIDText, ZeroFillsBehindTheText) {
    GuardedBuffer buffer;
    WriteUUIDText("0a1b2c3d4e5f", buffer.data());
    EXPECT_STREQ(buffer.data(), "0a1b2c3d4e5f");
    EXPECT_TRUE(buffer.ZeroFrom(12));
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(WriteUUIDText, CutsALongTextTo1023CharactersAndTerminatesIt) {
    GuardedBuffer buffer;
    const std::string longText(2000, 'U');
    WriteUUIDText(longText, buffer.data());
    EXPECT_EQ(std::string(buffer.data()), longText.substr(0, kUUIDBufferSize - 1));
    EXPECT_EQ(buffer.bytes[kUUIDBufferSize - 1], '\0');
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(WriteUUIDText, AnEmptyTextLeavesAZeroedBuffer) {
    GuardedBuffer buffer;
    WriteUUIDText("", buffer.data());
    EXPECT_TRUE(buffer.ZeroFrom(0));
    EXPECT_TRUE(buffer.GuardIntact());
}

}  // namespace
