#include "foundation/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "foundation/search_paths.h"

namespace {

using foundation::StringByAppendingPathComponent;

struct JoinCase {
    const char* path;
    const char* component;
    const char* expected;
};

TEST(StringByAppendingPathComponent, JoinsWithExactlyOneSlash) {
    const JoinCase cases[] = {
        {"/tmp", "x", "/tmp/x"},
        {"/tmp/", "x", "/tmp/x"},
        {"/", "x", "/x"},
        {"/tmp", "/x", "/tmp/x"},
        {"a//", "b", "a/b"},
        {"a", "b", "a/b"},
        {"/tmp///", "///x", "/tmp/x"},
        {"Library", "Preferences", "Library/Preferences"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StringByAppendingPathComponent(c.path, c.component), c.expected)
            << c.path << " + " << c.component;
    }
}

TEST(StringByAppendingPathComponent, EmptySidesLeaveTheOther) {
    EXPECT_EQ(StringByAppendingPathComponent("", "x"), "x");
    EXPECT_EQ(StringByAppendingPathComponent("a", ""), "a");
    EXPECT_EQ(StringByAppendingPathComponent("", ""), "");
    EXPECT_EQ(StringByAppendingPathComponent("/", ""), "/");
    EXPECT_EQ(StringByAppendingPathComponent("", "/"), "/");
}

TEST(StringByAppendingPathComponent, TidiesSlashesOfTheResult) {
    EXPECT_EQ(StringByAppendingPathComponent("a", "b//c"), "a/b/c");
    EXPECT_EQ(StringByAppendingPathComponent("a", "b/"), "a/b");
    EXPECT_EQ(StringByAppendingPathComponent("a", "b///"), "a/b");
    EXPECT_EQ(StringByAppendingPathComponent("/", "/"), "/");
    EXPECT_EQ(StringByAppendingPathComponent("a/", ""), "a");
}

TEST(StringByAppendingPathComponent, LeavesDotComponentsAlone) {
    EXPECT_EQ(StringByAppendingPathComponent("/a", ".."), "/a/..");
    EXPECT_EQ(StringByAppendingPathComponent("/a", "./b"), "/a/./b");
}

TEST(StringByAppendingString, ConcatenatesWithoutSeparator) {
    EXPECT_EQ(foundation::StringByAppendingString("/Users/me/Library", "/Containers"),
              "/Users/me/Library/Containers");
    EXPECT_EQ(foundation::StringByAppendingString("/a/", "/b"), "/a//b");
}

// Restores the root, the home folder and $HOME after each case.
class SearchPaths : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        if (home != nullptr) savedHome_ = home;
    }
    void TearDown() override {
        foundation::SetMachineRoot("/");
        foundation::SetHomeFolder("");
        if (savedHome_) {
            setenv("HOME", savedHome_->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }
    std::optional<std::string> savedHome_;
};

TEST_F(SearchPaths, MachineLibraryFolderFollowsTheRoot) {
    EXPECT_EQ(foundation::MachineRoot(), "/");
    EXPECT_EQ(foundation::MachineLibraryFolder(), "/Library");
    foundation::SetMachineRoot("/srv/demo");
    EXPECT_EQ(foundation::MachineRoot(), "/srv/demo");
    EXPECT_EQ(foundation::MachineLibraryFolder(), "/srv/demo/Library");
    foundation::SetMachineRoot("/srv/demo/");
    EXPECT_EQ(foundation::MachineLibraryFolder(), "/srv/demo/Library");
    foundation::SetMachineRoot("");
    EXPECT_EQ(foundation::MachineLibraryFolder(), "/Library");
}

TEST_F(SearchPaths, HomeComesFromTheEnvironmentUnlessSet) {
    setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(foundation::HomeFolder(), "/home/tester");
    EXPECT_EQ(foundation::UserLibraryFolder(), "/home/tester/Library");
    foundation::SetHomeFolder("/tmp/alice/");
    EXPECT_EQ(foundation::UserLibraryFolder(), "/tmp/alice/Library");
    foundation::SetHomeFolder("");
    EXPECT_EQ(foundation::HomeFolder(), "/home/tester");
}

TEST_F(SearchPaths, MissingOrEmptyHomeMeansRoot) {
    unsetenv("HOME");
    EXPECT_EQ(foundation::HomeFolder(), "/");
    EXPECT_EQ(foundation::UserLibraryFolder(), "/Library");
    setenv("HOME", "", 1);
    EXPECT_EQ(foundation::HomeFolder(), "/");
}

}  // namespace
