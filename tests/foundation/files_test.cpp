#include "foundation/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "scratch_folder.h"
#include "system/posix_calls.h"

namespace {

using foundation::ContentsAtPath;
using foundation::ContentsOfDirectoryAtPath;
using foundation::FileExistsAtPath;
using packgate_test::ScratchFolder;

constexpr std::size_t kCap = 1 << 20;

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(FileExistsAtPath, AnswersYesForFilesFoldersAndLinksToThem) {
    const ScratchFolder folder;
    const std::string file = folder.Write("plain.txt", "x");
    const std::string app = folder.MakeFolder("Quillet.app/Contents/MacOS");
    EXPECT_TRUE(FileExistsAtPath(file));
    EXPECT_TRUE(FileExistsAtPath(folder.path()));
    EXPECT_TRUE(FileExistsAtPath(folder / "Quillet.app"));
    EXPECT_TRUE(FileExistsAtPath(folder.path() + "/"));
    std::filesystem::create_symlink(file, folder / "link");
    EXPECT_TRUE(FileExistsAtPath(folder / "link"));
}

TEST(FileExistsAtPath, AnswersNoForNothingDanglingOrLoopingLinks) {
    const ScratchFolder folder;
    EXPECT_FALSE(FileExistsAtPath(folder / "missing"));
    EXPECT_FALSE(FileExistsAtPath(std::nullopt));
    EXPECT_FALSE(FileExistsAtPath(std::string()));
    std::filesystem::create_symlink(folder / "nowhere", folder / "dangling");
    EXPECT_FALSE(FileExistsAtPath(folder / "dangling"));
    std::filesystem::create_symlink(folder / "loop-b", folder / "loop-a");
    std::filesystem::create_symlink(folder / "loop-a", folder / "loop-b");
    EXPECT_FALSE(FileExistsAtPath(folder / "loop-a"));
    const std::string file = folder.Write("file", "x");
    EXPECT_FALSE(FileExistsAtPath(file + "/below"));
}

TEST(ContentsAtPath, ReadsTheWholeFile) {
    const ScratchFolder folder;
    std::string binary(300000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7);
    const auto bytes = ContentsAtPath(folder.Write("blob", binary), kCap);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(Text(*bytes), binary);
    const auto empty = ContentsAtPath(folder.Write("empty", ""), kCap);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(ContentsAtPath, GivesNothingForFoldersMissingAndOversizeFiles) {
    const ScratchFolder folder;
    EXPECT_FALSE(ContentsAtPath(folder.path(), kCap));
    EXPECT_FALSE(ContentsAtPath(folder / "missing", kCap));
    EXPECT_FALSE(ContentsAtPath(std::nullopt, kCap));
    EXPECT_FALSE(ContentsAtPath(std::string(), kCap));
    const std::string big = folder.Write("big", std::string(1001, 'b'));
    EXPECT_FALSE(ContentsAtPath(big, 1000));
    EXPECT_TRUE(ContentsAtPath(big, 1001));
}

TEST(ContentsAtPath, GivesNothingForAnUnreadableFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const ScratchFolder folder;
    const std::string file = folder.Write("secret", "x");
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    EXPECT_FALSE(ContentsAtPath(file, kCap));
}

TEST(ContentsOfDirectoryAtPath, ListsNamesWithoutDotEntries) {
    const ScratchFolder folder;
    folder.Write("a.plist", "");
    folder.MakeFolder("com.velmora.Quillet");
    folder.Write(".hidden", "");
    auto names = ContentsOfDirectoryAtPath(folder.path());
    ASSERT_TRUE(names);
    std::sort(names->begin(), names->end());
    EXPECT_EQ(*names, (std::vector<std::string>{".hidden", "a.plist", "com.velmora.Quillet"}));
    const auto empty = ContentsOfDirectoryAtPath(folder.MakeFolder("empty"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(ContentsOfDirectoryAtPath, GivesNothingForFilesAndMissingFolders) {
    const ScratchFolder folder;
    EXPECT_FALSE(ContentsOfDirectoryAtPath(folder.Write("file", "x")));
    EXPECT_FALSE(ContentsOfDirectoryAtPath(folder / "missing"));
    EXPECT_FALSE(ContentsOfDirectoryAtPath(""));
}

// Faults injected through the system-call seam.
int gReadCalls = 0;
int gReadDirCalls = 0;

ssize_t FailingRead(int, void*, std::size_t) {
    ++gReadCalls;
    errno = EIO;
    return -1;
}

ssize_t InterruptedOnceRead(int fd, void* buffer, std::size_t count) {
    if (gReadCalls++ == 0) {
        errno = EINTR;
        return -1;
    }
    return ::read(fd, buffer, count);
}

int DeniedOpen(const char*, int, mode_t) {
    errno = EACCES;
    return -1;
}

struct dirent* FailingReaddir(DIR* dir) {
    if (gReadDirCalls++ == 1) {
        errno = EIO;
        return nullptr;
    }
    return ::readdir(dir);
}

class FileFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        gReadCalls = 0;
        gReadDirCalls = 0;
    }
    ScratchFolder folder_;
    platform::PosixCalls calls_ = platform::RealPosixCalls();
};

TEST_F(FileFaults, ReadErrorReadsAsNothing) {
    const std::string file = folder_.Write("f", "contents");
    calls_.read = FailingRead;
    const platform::ScopedPosixCalls scoped(calls_);
    EXPECT_FALSE(ContentsAtPath(file, kCap));
    EXPECT_EQ(gReadCalls, 1);
}

TEST_F(FileFaults, InterruptedReadIsRetried) {
    const std::string file = folder_.Write("f", "contents");
    calls_.read = InterruptedOnceRead;
    const platform::ScopedPosixCalls scoped(calls_);
    const auto bytes = ContentsAtPath(file, kCap);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(Text(*bytes), "contents");
}

TEST_F(FileFaults, DeniedOpenReadsAsNothing) {
    const std::string file = folder_.Write("f", "contents");
    calls_.open = DeniedOpen;
    const platform::ScopedPosixCalls scoped(calls_);
    EXPECT_FALSE(ContentsAtPath(file, kCap));
}

TEST_F(FileFaults, ListingErrorPartWayListsNothing) {
    folder_.Write("a", "");
    folder_.Write("b", "");
    calls_.readdir = FailingReaddir;
    const platform::ScopedPosixCalls scoped(calls_);
    EXPECT_FALSE(ContentsOfDirectoryAtPath(folder_.path()));
}

}  // namespace
