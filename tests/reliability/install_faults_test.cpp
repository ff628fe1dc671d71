// The install step under faults at every step: the disk full at every write, and EIO or
// EACCES at every folder creation, open, flush and rename. Each case either installs the
// pack whole or fails, says so with the path, and leaves the template folder byte for byte
// as it was, with no staging folder left behind.
#include <fcntl.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "fault_tally.h"
#include "install_scene.h"
#include "tree_snapshot.h"
#include "system/posix_calls.h"

namespace packgate_reliability {
namespace {

constexpr const char* kFamily = "install step";

// Which call fails, after how many successful ones, and how.
struct CallFault {
    enum class Call { Write, Mkdirat, Openat, Fsync, Renameat } call = Call::Write;
    int countdown = 0;
    int error = EIO;
};

CallFault gFault;
platform::PosixCalls gReal;

bool Strikes(CallFault::Call call) {
    if (gFault.call != call || gFault.countdown < 0) return false;
    return gFault.countdown-- == 0;
}

int Fail() {
    errno = gFault.error;
    return -1;
}

platform::PosixCalls FaultyCalls() {
    gReal = platform::Posix();
    platform::PosixCalls calls = gReal;
    calls.write = [](int fd, const void* b, std::size_t n) -> ssize_t {
        return Strikes(CallFault::Call::Write) ? Fail() : gReal.write(fd, b, n);
    };
    calls.mkdirat = [](int d, const char* name, mode_t mode) {
        return Strikes(CallFault::Call::Mkdirat) ? Fail() : gReal.mkdirat(d, name, mode);
    };
    calls.openat = [](int d, const char* name, int flags, mode_t mode) {
        return Strikes(CallFault::Call::Openat) ? Fail() : gReal.openat(d, name, flags, mode);
    };
    calls.fsync = [](int fd) { return Strikes(CallFault::Call::Fsync) ? Fail() : gReal.fsync(fd); };
    calls.renameat = [](int a, const char* from, int b, const char* to) {
        return Strikes(CallFault::Call::Renameat) ? Fail() : gReal.renameat(a, from, b, to);
    };
    return calls;
}

struct Family {
    const char* name;
    CallFault::Call call;
    int error;
};

class InstallFaults : public testing::TestWithParam<Family> {};

// The N-th call fails, for N = 0, 1, ... until the install no longer meets the fault.
TEST_P(InstallFaults, EveryFailingCallLeavesTheTemplateFolderAsItWas) {
    const Family family = GetParam();
    for (int n = 0; n < 400; ++n) {
        installer_test::InstallScene scene;
        // An upgrade, so rollback must also put replaced files back.
        ASSERT_TRUE(installer::InstallPayload(scene.request("1.0")).installed);
        scene.payloadFile("read-me.txt", "second version\n");
        scene.payloadFile("Extra/new.qtpl", "new\n");
        const auto before = packgate_test::SnapshotTree(scene.templateFolder);
        FaultCase fault(kFamily, std::string(family.name) + " at call " + std::to_string(n));
        gFault = {family.call, n, family.error};
        installer::InstallReport report;
        {
            const platform::ScopedPosixCalls calls(FaultyCalls());
            report = installer::InstallPayload(scene.request("1.1"));
        }
        const bool struck = gFault.countdown < 0;
        if (report.installed) {
            EXPECT_EQ(scene.templateFile("read-me.txt"), "second version\n");
            if (!struck) break;  // The fault came after the last call that matters.
            continue;
        }
        EXPECT_TRUE(struck);
        EXPECT_NE(report.error.find(std::strerror(family.error)), std::string::npos) << report.error;
        const std::string difference =
            packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder));
        if (!difference.empty()) {
            fault.dataLost();
            ADD_FAILURE() << family.name << " at call " << n << ": " << difference;
        }
        if (testing::Test::HasFailure()) break;
    }
}

// A payload of this run's own moves into staging (its folders whole where they can): a rename
// that fails at any point, staging or placing, leaves the template folder as it was and the
// payload whole again, byte for byte, for another attempt.
TEST(InstallFaultsOwnPayload, EveryFailingRenameGivesTheMovedPayloadBack) {
    for (int n = 0; n < 400; ++n) {
        installer_test::InstallScene scene;
        ASSERT_TRUE(installer::InstallPayload(scene.request("1.0")).installed);
        scene.payloadFile("read-me.txt", "second version\n");
        scene.payloadFile("Extra/new.qtpl", "new\n");
        scene.payloadFile("Extra/Deeper/newer.qtpl", "newer\n");
        const auto templateBefore = packgate_test::SnapshotTree(scene.templateFolder);
        const auto payloadBefore = packgate_test::SnapshotTree(scene.payload);
        FaultCase fault(kFamily, "EACCES on rename of a moved payload at call " + std::to_string(n));
        gFault = {CallFault::Call::Renameat, n, EACCES};
        auto request = scene.request("1.1");
        request.payloadIsOwn = true;
        installer::InstallReport report;
        {
            const platform::ScopedPosixCalls calls(FaultyCalls());
            report = installer::InstallPayload(request);
        }
        if (report.installed) {
            EXPECT_EQ(scene.templateFile("Extra/Deeper/newer.qtpl"), "newer\n");
            if (gFault.countdown >= 0) break;  // No rename was left to fail.
            continue;
        }
        EXPECT_NE(report.error.find(std::strerror(EACCES)), std::string::npos) << report.error;
        std::string difference =
            packgate_test::FirstDifference(templateBefore, packgate_test::SnapshotTree(scene.templateFolder));
        if (difference.empty()) {
            difference = packgate_test::FirstDifference(payloadBefore, packgate_test::SnapshotTree(scene.payload));
        }
        if (!difference.empty()) {
            fault.dataLost();
            ADD_FAILURE() << "rename " << n << ": " << difference;
        }
        if (testing::Test::HasFailure()) break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AtEveryStep, InstallFaults,
    testing::Values(Family{"disk full on write", CallFault::Call::Write, ENOSPC},
                    Family{"EIO on write", CallFault::Call::Write, EIO},
                    Family{"EDQUOT on folder creation", CallFault::Call::Mkdirat, EDQUOT},
                    Family{"EACCES on open", CallFault::Call::Openat, EACCES},
                    Family{"EIO on flush", CallFault::Call::Fsync, EIO},
                    Family{"EACCES on rename", CallFault::Call::Renameat, EACCES}),
    [](const testing::TestParamInfo<Family>& param) { return std::to_string(param.index); });

}  // namespace
}  // namespace packgate_reliability
