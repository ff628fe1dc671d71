// MTAGGetID: the machine identifier of libmachinetag.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <optional>
#include <string>

#include "machinetag/machinetag.h"
#include "system/posix_calls.h"
#include "system/system_info.h"

namespace {

int OpenNothing(const char*, int, mode_t) {
    errno = ENOENT;
    return -1;
}

// A machine on which no file can be opened, so the system has no platform UUID to give;
// libmachinetag shares the platform library with the test, so this reaches it.
platform::PosixCalls WithoutFiles() {
    platform::PosixCalls calls = platform::RealPosixCalls();
    calls.open = &OpenNothing;
    return calls;
}

// A machine without a platform UUID of its own, whose hosting program fixes one, so the
// identifier is known whatever the test machine holds.
class MachineTagIdentifier : public testing::Test {
  protected:
    MachineTagIdentifier() { platform::SetPlatformUUIDOverride(kUUID); }
    ~MachineTagIdentifier() override { platform::SetPlatformUUIDOverride(std::nullopt); }

    static constexpr const char* kUUID = "5D3E9A2C-61F0-4B7E-A9C4-0E8D2F6B1A37";
    platform::ScopedPosixCalls calls_{WithoutFiles()};
};

using MachineTagBuffer = MachineTagIdentifier;

// The first six bytes of the MD5 of the platform UUID, in upper-case hex, made with OpenSSL.
std::string ExpectedIdentifier() {
    const std::string uuid = platform::PlatformUUID();
    if (uuid.empty()) return {};
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_Digest(uuid.data(), uuid.size(), digest.data(), &length, EVP_md5(), nullptr);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string id;
    for (int i = 0; i < 6; ++i) {
        id += kDigits[digest[static_cast<std::size_t>(i)] >> 4];
        id += kDigits[digest[static_cast<std::size_t>(i)] & 0x0F];
    }
    return id;
}

constexpr char kGuard = '\x5A';

TEST_F(MachineTagIdentifier, IsTheDigestOfThePlatformUUIDInTwelveUpperCaseHexDigits) {
    std::array<char, 13> buffer{};
    const int result = MTAGGetID(buffer.data(), 13);
    const std::string expected = ExpectedIdentifier();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::string(buffer.data()), expected);
    EXPECT_EQ(buffer[12], '\0');
    for (int i = 0; i < 12; ++i) {
        const char c = buffer[static_cast<std::size_t>(i)];
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << c;
    }
}

TEST_F(MachineTagIdentifier, IsTheSameOnEveryCall) {
    std::array<char, 13> first{};
    std::array<char, 13> second{};
    MTAGGetID(first.data(), 13);
    MTAGGetID(second.data(), 13);
    EXPECT_EQ(std::string(first.data()), std::string(second.data()));
}

TEST_F(MachineTagBuffer, WritesAtMostSizeBytesAlwaysTerminated) {
    const std::string full = ExpectedIdentifier();
    ASSERT_FALSE(full.empty());
    for (int size = 1; size <= 20; ++size) {
        std::array<char, 24> buffer;
        buffer.fill(kGuard);
        EXPECT_EQ(MTAGGetID(buffer.data(), size), size >= 13 ? 1 : 0) << size;
        const auto count = std::min<std::size_t>(static_cast<std::size_t>(size - 1), 12);
        EXPECT_EQ(std::string(buffer.data()), full.substr(0, count)) << size;
        for (std::size_t i = count + 1; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], kGuard) << "size " << size << " wrote at " << i;
        }
    }
}

TEST_F(MachineTagBuffer, NullBufferOrNoRoomWritesNothing) {
    EXPECT_EQ(MTAGGetID(nullptr, 13), 0);
    std::array<char, 4> buffer;
    buffer.fill(kGuard);
    EXPECT_EQ(MTAGGetID(buffer.data(), 0), 0);
    EXPECT_EQ(MTAGGetID(buffer.data(), -5), 0);
    for (const char c : buffer) EXPECT_EQ(c, kGuard);
}

TEST(MachineTagWithoutUUID, WritesAnEmptyTextAndAnswersZero) {
    const platform::ScopedPosixCalls calls(WithoutFiles());
    ASSERT_EQ(platform::PlatformUUID(), "");
    std::array<char, 13> buffer;
    buffer.fill(kGuard);
    EXPECT_EQ(MTAGGetID(buffer.data(), 13), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], kGuard);
}

}  // namespace
