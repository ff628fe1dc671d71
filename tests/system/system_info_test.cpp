#include "system/system_info.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "scratch_folder.h"
#include "system/posix_calls.h"
#include "system/system_info_internal.h"
#include "uuid_source_seam.h"

namespace {

using packgate_test::ScratchFolder;
using platform::SystemVersion;
using platform::detail::ParseKernelRelease;
using platform::detail::PlatformUUIDFromFiles;
using platform_test::UUIDSourceFiles;

class PlatformUUIDSources : public ::testing::Test {
  protected:
    std::string Uuid() {
        return PlatformUUIDFromFiles(dmi_.c_str(), machineId_.c_str(), dbusMachineId_.c_str());
    }

    ScratchFolder folder_;
    std::string dmi_ = folder_ / "product_uuid";
    std::string machineId_ = folder_ / "machine-id";
    std::string dbusMachineId_ = folder_ / "dbus-machine-id";
};

TEST_F(PlatformUUIDSources, FirmwareUuidWinsAndIsTrimmedButKeepsItsCase) {
    folder_.Write("product_uuid", "  4c4c4544-0042-3510-8052-b4c04f4a4d32\n");
    folder_.Write("machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    EXPECT_EQ(Uuid(), "4c4c4544-0042-3510-8052-b4c04f4a4d32");
}

TEST_F(PlatformUUIDSources, MachineIdIsWrittenAsUpperCaseUuidWhenFirmwareHasNone) {
    folder_.Write("machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    EXPECT_EQ(Uuid(), "3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4");
    folder_.Write("product_uuid", " \n\t");  // Blank counts as missing.
    EXPECT_EQ(Uuid(), "3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4");
}

TEST_F(PlatformUUIDSources, MalformedMachineIdGivesEmptyText) {
    for (const char* bad :
         {"3d1219c7c4c5404aaa1f6d2a48adfda", "3d1219c7c4c5404aaa1f6d2a48adfda4a",
          "3d1219c7c4c5404aaa1f6d2a48adfdzz", "3d1219c7-c4c5-404a-aa1f-6d2a48adfda4", ""}) {
        folder_.Write("machine-id", bad);
        EXPECT_EQ(Uuid(), "") << bad;
    }
}

TEST_F(PlatformUUIDSources, DbusMachineIdStandsInWhenEtcHasNone) {
    folder_.Write("dbus-machine-id", "0f1e2d3c4b5a69788796a5b4c3d2e1f0\n");
    EXPECT_EQ(Uuid(), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    folder_.Write("machine-id", "");  // Empty, as an image not yet booted has it.
    EXPECT_EQ(Uuid(), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    folder_.Write("machine-id", "uninitialized\n");
    EXPECT_EQ(Uuid(), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
}

TEST_F(PlatformUUIDSources, EtcMachineIdWinsOverDbus) {
    folder_.Write("machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    folder_.Write("dbus-machine-id", "0f1e2d3c4b5a69788796a5b4c3d2e1f0\n");
    EXPECT_EQ(Uuid(), "3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4");
}

TEST_F(PlatformUUIDSources, MalformedDbusMachineIdGivesEmptyText) {
    folder_.Write("dbus-machine-id", "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0\n");
    EXPECT_EQ(Uuid(), "");
}

TEST_F(PlatformUUIDSources, NoSourceGivesEmptyText) {
    EXPECT_EQ(Uuid(), "");
}

TEST_F(PlatformUUIDSources, FirmwareFileWithNulOrOversizeIsIgnored) {
    folder_.Write("machine-id", "00112233445566778899aabbccddeeff");
    folder_.Write("product_uuid", std::string("abc\0def", 7));
    EXPECT_EQ(Uuid(), "00112233-4455-6677-8899-AABBCCDDEEFF");
    folder_.Write("product_uuid", std::string(5000, 'a'));
    EXPECT_EQ(Uuid(), "00112233-4455-6677-8899-AABBCCDDEEFF");
}

TEST_F(PlatformUUIDSources, FolderInPlaceOfFileIsIgnored) {
    folder_.MakeFolder("product_uuid");
    folder_.Write("machine-id", "ffffffffffffffffffffffffffffffff");
    EXPECT_EQ(Uuid(), "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF");
}

// The system's own paths, reached through the seam.
class SystemUUIDSources : public ::testing::Test {
  protected:
    ScratchFolder folder_;
    UUIDSourceFiles sources_;
};

TEST_F(SystemUUIDSources, ReadsTheDbusMachineIdWhenNothingElseIsThere) {
    sources_.Map(platform_test::kDbusMachineIdSource,
                 folder_.Write("dbus", "0f1e2d3c4b5a69788796a5b4c3d2e1f0\n"));
    EXPECT_EQ(platform::PlatformUUID(), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
}

TEST_F(SystemUUIDSources, ReadsTheFirmwareUuidFirstThenEtcMachineId) {
    sources_.Map(platform_test::kDbusMachineIdSource,
                 folder_.Write("dbus", "0f1e2d3c4b5a69788796a5b4c3d2e1f0\n"));
    sources_.Map(platform_test::kMachineIdSource,
                 folder_.Write("etc", "3d1219c7c4c5404aaa1f6d2a48adfda4\n"));
    EXPECT_EQ(platform::PlatformUUID(), "3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4");
    sources_.Map(platform_test::kDmiUuidSource,
                 folder_.Write("dmi", "4c4c4544-0042-3510-8052-b4c04f4a4d32\n"));
    EXPECT_EQ(platform::PlatformUUID(), "4c4c4544-0042-3510-8052-b4c04f4a4d32");
}

TEST_F(SystemUUIDSources, NoSourceGivesEmptyText) {
    EXPECT_EQ(platform::PlatformUUID(), "");
}

TEST(PlatformUUIDOverride, FixesTheAnswerUntilCleared) {
    const std::string system = platform::PlatformUUID();
    platform::SetPlatformUUIDOverride("00000000-0000-1000-8000-0A1B2C3D4E5F");
    EXPECT_EQ(platform::PlatformUUID(), "00000000-0000-1000-8000-0A1B2C3D4E5F");
    platform::SetPlatformUUIDOverride(std::string());
    EXPECT_EQ(platform::PlatformUUID(), "");
    platform::SetPlatformUUIDOverride(std::nullopt);
    EXPECT_EQ(platform::PlatformUUID(), system);
}

void ExpectVersion(std::string_view release, int major, int minor, int bugFix) {
    const SystemVersion v = ParseKernelRelease(release);
    EXPECT_EQ(v.major, major) << release;
    EXPECT_EQ(v.minor, minor) << release;
    EXPECT_EQ(v.bugFix, bugFix) << release;
}

TEST(KernelRelease, ReadsLeadingNumbers) {
    ExpectVersion("6.1.0-18-amd64", 6, 1, 0);
    ExpectVersion("5.10", 5, 10, 0);
    ExpectVersion("4.19.260", 4, 19, 260);
    ExpectVersion("6.8.0.1-rc2", 6, 8, 0);
    ExpectVersion("6.18.44-fc-v1374", 6, 18, 44);
    ExpectVersion("3", 3, 0, 0);
}

TEST(KernelRelease, UnreadableNumbersAreZero) {
    ExpectVersion("abc", 0, 0, 0);
    ExpectVersion("", 0, 0, 0);
    ExpectVersion("6..1", 6, 0, 0);
    ExpectVersion("6.x.1", 6, 0, 0);
    ExpectVersion("99999999999.2.3", 0, 2, 3);
    ExpectVersion("-6.1.0", 0, 0, 0);
}

int gUnameErrno = 0;
const char* gUnameRelease = "";

int FakeUname(struct utsname* name) {
    if (gUnameErrno != 0) {
        errno = gUnameErrno;
        return -1;
    }
    std::memset(name, 0, sizeof *name);
    std::strncpy(name->release, gUnameRelease, sizeof name->release - 1);
    return 0;
}

// uname answered by FakeUname for the life of one case.
class FakeKernel : public ::testing::Test {
  protected:
    FakeKernel() : scoped_(WithFakeUname()) {}
    ~FakeKernel() override {
        gUnameErrno = 0;
        gUnameRelease = "";
    }

    static platform::PosixCalls WithFakeUname() {
        platform::PosixCalls calls = platform::RealPosixCalls();
        calls.uname = FakeUname;
        return calls;
    }

    platform::ScopedPosixCalls scoped_;
};

TEST_F(FakeKernel, QuerySystemVersionReadsTheKernelRelease) {
    gUnameRelease = "5.15.0-91-generic";
    const SystemVersion v = platform::QuerySystemVersion();
    EXPECT_EQ(v.major, 5);
    EXPECT_EQ(v.minor, 15);
    EXPECT_EQ(v.bugFix, 0);
}

TEST_F(FakeKernel, QuerySystemVersionGivesZerosWhenUnameFails) {
    gUnameErrno = EFAULT;
    gUnameRelease = "5.15.0";
    const SystemVersion v = platform::QuerySystemVersion();
    EXPECT_EQ(v.major, 0);
    EXPECT_EQ(v.minor, 0);
    EXPECT_EQ(v.bugFix, 0);
}

TEST(QuerySystemVersion, RealKernelHasAMajorNumber) {
    EXPECT_GT(platform::QuerySystemVersion().major, 0);
}

}  // namespace
