// Writing a dictionary to disk: the whole new file or the earlier one, never a mixture.
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "foundation/plist_read.h"
#include "foundation/plist_write.h"
#include "scratch_folder.h"
#include "system/posix_calls.h"

namespace {

using foundation::PlistDict;
using packgate_test::ScratchFolder;

PlistDict Handoff(const std::string& version) {
    PlistDict dict;
    dict.set("Plist Path", std::string("/Library/Velmora/Quillet.plist"));
    dict.set("Version Code", version);
    return dict;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t EntriesIn(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

// Lets the first `budget` bytes through, then fails every write with ENOSPC.
std::size_t gWriteBudget = 0;
ssize_t WriteUntilFull(int fd, const void* buffer, std::size_t count) {
    if (gWriteBudget == 0) {
        errno = ENOSPC;
        return -1;
    }
    const std::size_t now = std::min(count, gWriteBudget);
    gWriteBudget -= now;
    return platform::RealPosixCalls().write(fd, buffer, now);
}

int FailRename(const char*, const char*) {
    errno = EXDEV;
    return -1;
}

TEST(WriteDictionaryToFile, WritesTheXmlTextAndReadsBack) {
    ScratchFolder folder;
    const std::string path = folder / "TempContentInstallPath.plist";
    for (const bool atomically : {true, false}) {
        ASSERT_TRUE(foundation::WriteDictionaryToFile(Handoff("121"), path, atomically));
        EXPECT_EQ(ReadAll(path), foundation::XmlPropertyListText(Handoff("121")));
        const auto back = foundation::DictionaryWithContentsOfFile(path);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, Handoff("121"));
    }
}

TEST(WriteDictionaryToFile, LeavesAReadableFileAndNoTemporaryBehind) {
    ScratchFolder folder;
    const std::string path = folder / "list.plist";
    ASSERT_TRUE(foundation::WriteDictionaryToFile(Handoff("1"), path, true));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(WriteDictionaryToFile, ReplacesAnEarlierFileWhole) {
    ScratchFolder folder;
    const std::string path = folder.Write("list.plist", std::string(100000, 'x'));
    ASSERT_TRUE(foundation::WriteDictionaryToFile(Handoff("2"), path, true));
    EXPECT_EQ(ReadAll(path), foundation::XmlPropertyListText(Handoff("2")));
}

TEST(WriteDictionaryToFile, AFullDiskKeepsTheEarlierFileAtEveryPoint) {
    ScratchFolder folder;
    const std::string path = folder / "list.plist";
    ASSERT_TRUE(foundation::WriteDictionaryToFile(Handoff("old"), path, true));
    const std::string earlier = ReadAll(path);
    const std::size_t size = foundation::XmlPropertyListText(Handoff("new")).size();

    for (std::size_t budget = 0; budget < size; budget += 37) {
        auto calls = platform::RealPosixCalls();
        calls.write = WriteUntilFull;
        gWriteBudget = budget;
        platform::ScopedPosixCalls failing(calls);
        EXPECT_FALSE(foundation::WriteDictionaryToFile(Handoff("new"), path, true)) << budget;
        EXPECT_EQ(ReadAll(path), earlier) << budget;
        EXPECT_EQ(EntriesIn(folder.path()), 1u) << "temporary file left at " << budget;
    }
}

TEST(WriteDictionaryToFile, AFailedRenameRemovesTheTemporaryFile) {
    ScratchFolder folder;
    const std::string path = folder.Write("list.plist", "earlier");
    auto calls = platform::RealPosixCalls();
    calls.rename = FailRename;
    platform::ScopedPosixCalls failing(calls);
    EXPECT_FALSE(foundation::WriteDictionaryToFile(Handoff("3"), path, true));
    EXPECT_EQ(ReadAll(path), "earlier");
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(WriteDictionaryToFile, RefusesAMissingFolderAFolderInTheWayAndAnEmptyPath) {
    ScratchFolder folder;
    EXPECT_FALSE(foundation::WriteDictionaryToFile(Handoff("4"), folder / "none/list.plist", true));
    EXPECT_FALSE(foundation::WriteDictionaryToFile(Handoff("4"), folder.MakeFolder("dir"), true));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "dir"));
    const std::string file = folder.Write("file", "x");
    EXPECT_FALSE(foundation::WriteDictionaryToFile(Handoff("4"), file + "/list.plist", false));
    EXPECT_FALSE(foundation::WriteDictionaryToFile(Handoff("4"), "", true));
}

}  // namespace

namespace {

TEST(WriteDictionaryToFile, RefusesTextNoXmlReaderCouldReadBack) {
    ScratchFolder folder;
    const std::string path = folder.Write("list.plist", "earlier");
    for (const std::string& bad : {std::string("EM\x01""2"), std::string("a\0b", 3),
                                  std::string("\xEF\xBF\xBE"), std::string("\xC3")}) {
        PlistDict dict = Handoff("5");
        dict.set("EM2", bad);
        EXPECT_FALSE(foundation::IsXmlWritable(foundation::PlistValue(dict)));
        EXPECT_FALSE(foundation::WriteDictionaryToFile(dict, path, true));
        PlistDict badKey;
        badKey.set(bad, std::string("value"));
        EXPECT_FALSE(foundation::WriteDictionaryToFile(badKey, path, false));
        EXPECT_EQ(ReadAll(path), "earlier");
    }
}

TEST(WriteDictionaryToFile, KeepsTabsLineBreaksCarriageReturnsAndTextBeyondAscii) {
    ScratchFolder folder;
    const std::string path = folder / "list.plist";
    PlistDict dict = Handoff("6");
    dict.set("EM2", std::string("a\tb\nc \xE5\xA4\xA9 \xF0\x9F\x8E\xA8"));
    dict.set("ContTemplatePath", std::string("/Templates/Quillet\r\nCR\r"));
    ASSERT_TRUE(foundation::WriteDictionaryToFile(dict, path, true));
    const auto back = foundation::DictionaryWithContentsOfFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, dict);
}

}  // namespace
