// The writers of an archive's small files: every file queued is written whole with its mode,
// whichever writer takes it, and a failure names the earliest file queued that failed, even
// when a later one failed first.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "installer/pack/small_file_writers.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using installer::SmallFileWriters;

std::vector<char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SmallFileWriters, WritesEveryFileOfManyFoldersWhole) {
    packgate_test::ScratchFolder scratch("pg-writers");
    std::vector<std::string> folders;
    for (int folder = 0; folder < 6; ++folder) {
        folders.push_back(scratch / ("f" + std::to_string(folder)));
        fs::create_directory(folders.back());
    }
    {
        // Little room, so the reader waits on the writers again and again.
        SmallFileWriters writers(2, 64);
        for (int file = 0; file < 300; ++file) {
            const std::string& folder = folders[static_cast<std::size_t>(file / 50)];
            const std::string name = "file " + std::to_string(file);
            const std::string text = std::string(static_cast<std::size_t>(file), 'x') + name;
            ASSERT_TRUE(writers.write(folder, name, 0640, Bytes(text), name));
        }
        EXPECT_FALSE(writers.finish());
    }
    const mode_t mask = umask(0);
    umask(mask);
    for (int file = 0; file < 300; ++file) {
        const std::string path = folders[static_cast<std::size_t>(file / 50)] + "/file " + std::to_string(file);
        EXPECT_EQ(Read(path), std::string(static_cast<std::size_t>(file), 'x') + "file " + std::to_string(file));
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0640u & ~mask) << path;
    }
}

TEST(SmallFileWriters, NamesTheEarliestFileThatFailedAndRefusesMore) {
    packgate_test::ScratchFolder scratch("pg-writers");
    const std::string good = scratch / "good";
    fs::create_directory(good);
    SmallFileWriters writers(2, 1 << 20);
    // Each folder its own writer: the later failure may well come first.
    ASSERT_TRUE(writers.write(good, "one", 0644, Bytes("1"), "entry one"));
    ASSERT_TRUE(writers.write(scratch / "missing-a", "two", 0644, Bytes("2"), "entry two"));
    writers.write(scratch / "missing-b", "three", 0644, Bytes("3"), "entry three");
    writers.write(good, "one", 0644, Bytes("again"), "entry one again");  // Exists: never replaced.
    const auto failure = writers.finish();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->entry, "entry two");
    EXPECT_EQ(failure->error, ENOENT);
    EXPECT_FALSE(writers.write(good, "four", 0644, Bytes("4"), "entry four"));
    EXPECT_EQ(Read(good + "/one"), "1");
    EXPECT_FALSE(fs::exists(good + "/four"));
}

}  // namespace
