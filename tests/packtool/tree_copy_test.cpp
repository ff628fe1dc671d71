// Copying folder trees for packgate-pack create: links stay links, nothing is followed.
#include "packtool/tree_copy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "pack_tool_run.h"

namespace packtool_test {
namespace {

namespace fs = std::filesystem;

TEST(TreeCopy, KeepsLinksAsLinksAndFilesWithTheirModes) {
    packgate_test::ScratchFolder scratch("pg-tree-copy");
    scratch.Write("outside/secret.txt", "not for the pack\n");
    chmod(scratch.Write("from/lib/libx.so.1.0", "ELF").c_str(), 0755);
    chmod(scratch.Write("from/notes.txt", "notes").c_str(), 0600);
    ASSERT_EQ(symlink("libx.so.1.0", (scratch / "from/lib/libx.so.1").c_str()), 0);
    ASSERT_EQ(symlink("../outside/secret.txt", (scratch / "from/away").c_str()), 0);
    ASSERT_EQ(symlink("../outside", (scratch / "from/lib/folder-link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (scratch / "from/dangling").c_str()), 0);

    const packtool::TreeCopy copy = packtool::CopyTree(scratch / "from", scratch / "to");
    ASSERT_EQ(copy.error, "");
    EXPECT_EQ(copy.files, 6u);
    EXPECT_EQ(fs::read_symlink(scratch / "to/lib/libx.so.1"), "libx.so.1.0");
    EXPECT_EQ(fs::read_symlink(scratch / "to/away"), "../outside/secret.txt");
    EXPECT_EQ(fs::read_symlink(scratch / "to/dangling"), "nowhere");
    // A link to a folder is not walked into.
    EXPECT_TRUE(fs::is_symlink(scratch / "to/lib/folder-link"));
    EXPECT_EQ(Bytes(scratch / "to/lib/libx.so.1.0"), "ELF");
    EXPECT_EQ(ModeOf(scratch / "to/lib/libx.so.1.0"), 0755);
    EXPECT_EQ(ModeOf(scratch / "to/notes.txt"), 0600);
}

TEST(TreeCopy, RefusesWhatIsNoFileFolderOrLink) {
    packgate_test::ScratchFolder scratch("pg-tree-copy");
    scratch.MakeFolder("from/sub");
    ASSERT_EQ(mkfifo((scratch / "from/sub/pipe").c_str(), 0644), 0);
    const packtool::TreeCopy copy = packtool::CopyTree(scratch / "from", scratch / "to");
    EXPECT_EQ(copy.error, scratch / "from/sub/pipe" + " is neither a file, a folder nor a link");
}

TEST(TreeCopy, RefusesAMissingSourceAndAnExistingDestination) {
    packgate_test::ScratchFolder scratch("pg-tree-copy");
    EXPECT_NE(packtool::CopyTree(scratch / "none", scratch / "to").error, "");
    scratch.Write("file", "x");
    EXPECT_EQ(packtool::CopyTree(scratch / "file", scratch / "to").error, scratch / "file" + " is not a folder");
    scratch.MakeFolder("from");
    scratch.MakeFolder("to");
    EXPECT_NE(packtool::CopyTree(scratch / "from", scratch / "to").error.find("cannot make the folder"),
              std::string::npos);
}

}  // namespace
}  // namespace packtool_test
