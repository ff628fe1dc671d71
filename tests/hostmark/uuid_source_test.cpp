// KZUUID_GetUUID over the platform UUID sources, faked through the system-call seam. The
// entry point is compiled into this program with the platform code, so the seam it reads
// through is the one the test swaps.
#include <hostmark/machine_id.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "uuid_source_seam.h"

namespace {

using packgate_test::ScratchFolder;
using platform_test::UUIDSourceFiles;

constexpr std::size_t kUUIDSize = 1024;

struct Written {
    int result = 0;
    std::vector<char> bytes = std::vector<char>(kUUIDSize, 'x');
    std::string text() const { return bytes.data(); }
    bool ZeroBehindText() const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(text().size()),
                           bytes.end(), [](char c) { return c == 0; });
    }
};

Written GetUUID() {
    Written written;
    written.result = KZUUID_GetUUID(written.bytes.data());
    return written;
}

class UUIDFromSources : public ::testing::Test {
  protected:
    void Firmware(const std::string& bytes) {
        sources_.Map(platform_test::kDmiUuidSource, folder_.Write("dmi", bytes));
    }

    ScratchFolder folder_;
    UUIDSourceFiles sources_;
};

TEST_F(UUIDFromSources, FirmwareUuidThatIsNotUtf8GivesTheEmptyText) {
    for (const std::string bad : {"4C4C4544-0042-3510-8052-B4C04F4A4D3\xE9\n",
                                  "00000000-0000-1000-8000-0A1B2C3D4E\xFF\xFE\n"}) {
        Firmware(bad);
        const Written written = GetUUID();
        EXPECT_EQ(written.result, 1);
        EXPECT_EQ(written.text(), "") << bad;
        EXPECT_TRUE(written.ZeroBehindText());
    }
}

TEST_F(UUIDFromSources, FirmwareUuidIsWrittenByItsRule) {
    Firmware("4C4C4544-0042-3510-8052-B4C04F4A4D32\n");
    EXPECT_EQ(GetUUID().text(), "4C4C4544-0042-3510-8052-B4C04F4A4D32");
    Firmware("00000000-0000-1000-8000-0A1B2C3D4E5F\n");
    EXPECT_EQ(GetUUID().text(), "0a1b2c3d4e5f");
}

TEST_F(UUIDFromSources, DbusMachineIdServesAMachineWithoutOtherSources) {
    sources_.Map(platform_test::kDbusMachineIdSource,
                 folder_.Write("dbus", "0f1e2d3c4b5a69788796a5b4c3d2e1f0\n"));
    const Written written = GetUUID();
    EXPECT_EQ(written.result, 1);
    EXPECT_EQ(written.text(), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    EXPECT_TRUE(written.ZeroBehindText());
}

TEST_F(UUIDFromSources, NoSourceGivesTheEmptyTextAndStillAnswersOne) {
    const Written written = GetUUID();
    EXPECT_EQ(written.result, 1);
    EXPECT_EQ(written.text(), "");
    EXPECT_TRUE(written.ZeroBehindText());
}

}  // namespace
