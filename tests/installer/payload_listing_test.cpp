// The payload listing against one made independently with std::filesystem and lstat, on a
// tree with nested and empty folders, names that sort awkwardly, modes, sizes and a file
// with two names; and what is no payload folder at all.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "installer/pack/payload_listing.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using installer::ListPayload;
using installer::PayloadFile;

using Facts = std::tuple<std::string, std::uint64_t, mode_t, uid_t, bool>;

Facts FactsOf(const PayloadFile& file) {
    return {file.relativePath, file.size, file.mode, file.owner, file.hardLinked};
}

std::vector<Facts> ListedWithFilesystem(const std::string& payload) {
    std::vector<Facts> facts;
    for (const auto& entry : fs::recursive_directory_iterator(payload)) {
        struct stat info {};
        if (lstat(entry.path().c_str(), &info) != 0) ADD_FAILURE() << entry.path();
        const bool folder = S_ISDIR(info.st_mode);
        facts.emplace_back(entry.path().lexically_relative(payload).string(),
                           folder ? 0 : static_cast<std::uint64_t>(info.st_size),
                           info.st_mode & (S_IFMT | 07777), info.st_uid, !folder && info.st_nlink > 1);
    }
    std::sort(facts.begin(), facts.end());
    return facts;
}

TEST(PayloadListing, AgreesWithAnIndependentWalk) {
    packgate_test::ScratchFolder scratch("pg-listing");
    const std::string payload = scratch.MakeFolder("Payload");
    scratch.Write("Payload/a b/Brush 1.qtpl", std::string(5000, 'x'));
    scratch.Write("Payload/a b/c/d/e/deep.txt", "deep");
    scratch.Write("Payload/a-b/après.qtpl", "");
    scratch.Write("Payload/a/z", "1");
    scratch.Write("Payload/Zed", std::string(70000, 'z'));
    scratch.MakeFolder("Payload/empty/inner");
    ASSERT_EQ(chmod((payload + "/Zed").c_str(), 0751), 0);
    ASSERT_EQ(chmod((payload + "/a-b").c_str(), 0711), 0);
    ASSERT_EQ(link((payload + "/a/z").c_str(), (payload + "/a b/z again").c_str()), 0);
    for (int file = 0; file < 300; ++file) scratch.Write("Payload/many/" + std::to_string(file), "n");

    const auto listing = ListPayload(payload);
    ASSERT_EQ(listing.error, "");
    std::vector<Facts> listed;
    std::uint64_t bytes = 0;
    for (const PayloadFile& file : listing.files) {
        listed.push_back(FactsOf(file));
        bytes += file.size;
    }
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end())) << "folders before what they hold, in name order";
    EXPECT_EQ(listed, ListedWithFilesystem(payload));
    EXPECT_EQ(listing.totalBytes, bytes);
    EXPECT_EQ(bytes, 5000u + 4 + 1 + 70000 + 1 + 300);
}

TEST(PayloadListing, WhatIsNoFolderIsNoPayload) {
    packgate_test::ScratchFolder scratch("pg-listing");
    scratch.MakeFolder("Real");
    scratch.Write("file", "x");
    ASSERT_EQ(symlink((scratch / "Real").c_str(), (scratch / "link").c_str()), 0);
    for (const char* name : {"file", "link", "missing"}) {
        const std::string path = scratch / name;
        const auto listing = ListPayload(path);
        EXPECT_EQ(listing.error, path + ": no payload folder here") << name;
        EXPECT_TRUE(listing.files.empty()) << name;
    }
}

TEST(PayloadListing, AnUnreadableFolderListsNothing) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    packgate_test::ScratchFolder scratch("pg-listing");
    scratch.Write("Payload/ok", "1");
    const std::string closed = scratch.MakeFolder("Payload/closed");
    scratch.Write("Payload/closed/inside", "2");
    ASSERT_EQ(chmod(closed.c_str(), 0), 0);
    const auto listing = ListPayload(scratch / "Payload");
    EXPECT_EQ(listing.error, scratch / "Payload" + ": the payload cannot be read: Permission denied");
    EXPECT_TRUE(listing.files.empty());
    chmod(closed.c_str(), 0700);
}

}  // namespace
