// Whom the pane's helper runs as when the installer is root: the home's owner, else the user
// who ran sudo or pkexec, else nobody in a private home of its own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "installer/pane_host/pane_identity.h"
#include "program_runner.h"

namespace installer::pane_host {
namespace {

// SUDO_UID and PKEXEC_UID as a test sets them, restored afterwards.
class RootRun : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "choosing another user needs root";
        for (const char* name : {"SUDO_UID", "PKEXEC_UID"}) {
            if (const char* value = getenv(name)) saved_.emplace_back(name, value);
            unsetenv(name);
        }
    }
    void TearDown() override {
        unsetenv("SUDO_UID");
        unsetenv("PKEXEC_UID");
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    }
    installer_test::TemporaryFolder scratch_;
    std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(RootRun, TheHomesOwnerEvenWithoutAnEntryInTheUserDatabase) {
    const std::string home = scratch_.MakeFolder("home");
    ASSERT_EQ(::chown(home.c_str(), 4242, 4343), 0);
    setenv("SUDO_UID", "65534", 1);  // The home's owner comes first.
    std::string error;
    const auto identity = ChoosePaneIdentity(home, scratch_.path(), error);
    ASSERT_TRUE(identity.has_value()) << error;
    EXPECT_EQ(identity->uid, 4242u);
    EXPECT_EQ(identity->gid, 4343u);
    EXPECT_EQ(identity->groups, std::vector<gid_t>{4343});
    EXPECT_EQ(identity->home, home);
    EXPECT_FALSE(identity->nobody);
}

TEST_F(RootRun, ARootHomeTakesTheSudoUserThenPkexecsThenNobody) {
    const std::string home = scratch_.MakeFolder("root-home");
    std::string error;
    setenv("PKEXEC_UID", "65534", 1);
    auto identity = ChoosePaneIdentity(home, scratch_.path(), error);
    ASSERT_TRUE(identity.has_value()) << error;
    EXPECT_EQ(identity->uid, 65534u);
    EXPECT_FALSE(identity->nobody);

    // Root itself, or a number that is no one's, is never taken.
    setenv("SUDO_UID", "0", 1);
    setenv("PKEXEC_UID", "4294967295", 1);
    identity = ChoosePaneIdentity(home, scratch_.path(), error);
    ASSERT_TRUE(identity.has_value()) << error;
    EXPECT_TRUE(identity->nobody);
    EXPECT_NE(identity->uid, 0u);
    struct stat info {};
    ASSERT_EQ(::stat(identity->home.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, identity->uid);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(identity->home.rfind(scratch_.path() + "/packgate-pane-", 0), 0u) << identity->home;
}

TEST(PaneIdentity, NothingChangesWhenNotRoot) {
    if (::geteuid() == 0) GTEST_SKIP() << "run as another user to see this";
    std::string error;
    EXPECT_FALSE(ChoosePaneIdentity("/", "/tmp", error).has_value());
    EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace installer::pane_host
