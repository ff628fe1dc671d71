// An archive's payload, unpacked for this run, is moved into place rather than copied: what
// lands is still held to the signed digests, and an install that fails leaves the payload
// whole for the next attempt, exactly as it was.

#include <filesystem>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "install_scene.h"
#include "installer/install/receipt.h"
#include "tree_snapshot.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using installer::InstallPayload;

std::size_t FilesIn(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) count += entry.is_regular_file();
    return count;
}

// A payload of a few files in name order, "a" ones first, each signed.
struct OwnPayload {
    OwnPayload() {
        for (const char* name : {"a/one.qtpl", "a/two.qtpl", "b.qtpl", "z/last.qtpl"}) {
            const std::string bytes = std::string("bytes of ") + name + "\n";
            scene.payloadFile(name, bytes);
            digests[name] = Sha256Hex(bytes);
        }
        fs::remove(scene.payload + "/read-me.txt");
        fs::remove_all(scene.payload + "/Storyboards");
    }
    installer::InstallRequest request() const {
        auto request = scene.request();
        request.payloadIsOwn = true;
        request.expectedSha256 = digests;
        return request;
    }
    InstallScene scene;
    std::map<std::string, std::string> digests;
};

TEST(OwnPayload, FilesAreMovedIntoPlaceWithTheirDigests) {
    OwnPayload own;
    const auto report = InstallPayload(own.request());
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(own.scene.templateFile("a/two.qtpl"), "bytes of a/two.qtpl\n");
    EXPECT_EQ(own.scene.templateFile("z/last.qtpl"), "bytes of z/last.qtpl\n");
    EXPECT_EQ(FilesIn(own.scene.payload), 0u);  // Moved, not copied.
    const auto receipt = installer::ReadReceipt(report.receiptPath);
    ASSERT_TRUE(receipt);
    ASSERT_EQ(receipt->files.size(), 4u);
    for (const auto& file : receipt->files) EXPECT_EQ(file.sha256, own.digests[file.path]) << file.path;
}

// A big file is moved without being read first; its digest, read back from staging, is the
// one the receipt keeps.
TEST(OwnPayload, BigFilesAreMovedAndTheirDigestsReadBackFromStaging) {
    OwnPayload own;
    const std::string big(3u << 20, 'q');
    own.scene.payloadFile("z/big.bin", big);
    own.digests["z/big.bin"] = Sha256Hex(big);
    const auto report = InstallPayload(own.request());
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(FilesIn(own.scene.payload), 0u);
    EXPECT_EQ(own.scene.templateFile("z/big.bin"), big);
    const auto receipt = installer::ReadReceipt(report.receiptPath);
    ASSERT_TRUE(receipt);
    ASSERT_EQ(receipt->files.size(), 5u);
    for (const auto& file : receipt->files) EXPECT_EQ(file.sha256, own.digests[file.path]) << file.path;
}

// Each way an install of a moved payload can fail after some files were taken: the
// template folder is as it was and the payload is back, byte for byte.
TEST(OwnPayload, AFailedInstallGivesThePayloadBack) {
    struct Case {
        const char* what;
        std::function<void(OwnPayload&)> spoil;
        const char* named;  // In the error.
    };
    const std::vector<Case> cases{
        {"a tampered last file", [](OwnPayload& own) { own.scene.payloadFile("z/last.qtpl", "swapped\n"); },
         "z/last.qtpl"},
        {"a file the signature lacks", [](OwnPayload& own) { own.scene.payloadFile("zz.qtpl", "extra\n"); },
         "zz.qtpl"},
        {"a tampered big file, read back only beside the flush",
         [](OwnPayload& own) {
             std::string big(2u << 20, 'x');
             own.digests["a/big.bin"] = Sha256Hex(big);
             big[big.size() / 2] = 'y';
             own.scene.payloadFile("a/big.bin", big);
         },
         "a/big.bin"},
        {"a folder in the way of the last file",
         [](OwnPayload& own) { fs::create_directories(own.scene.templateFolder + "/z/last.qtpl"); },
         "z/last.qtpl"},
    };
    for (const Case& one : cases) {
        OwnPayload own;
        one.spoil(own);
        const auto payloadBefore = packgate_test::SnapshotTree(own.scene.payload);
        const auto templateBefore = packgate_test::SnapshotTree(own.scene.templateFolder);
        const auto report = InstallPayload(own.request());
        EXPECT_FALSE(report.installed) << one.what;
        EXPECT_NE(report.error.find(one.named), std::string::npos) << one.what << ": " << report.error;
        EXPECT_EQ(packgate_test::FirstDifference(payloadBefore, packgate_test::SnapshotTree(own.scene.payload)), "")
            << one.what;
        EXPECT_EQ(packgate_test::FirstDifference(templateBefore,
                                                 packgate_test::SnapshotTree(own.scene.templateFolder)),
                  "")
            << one.what;
    }
}

// A folder moves into staging whole, so whatever appears in it after the payload was listed
// would move along: the install must notice it, install nothing, and give the payload back.
TEST(OwnPayload, WhatChangesInAFolderAfterTheListingStopsTheInstall) {
    struct Case {
        const char* what;
        std::function<void(OwnPayload&)> change;
    };
    const std::vector<Case> cases{
        {"a file added", [](OwnPayload& own) { own.scene.payloadFile("a/sneaked.qtpl", "unlisted\n"); }},
        {"a folder added", [](OwnPayload& own) { fs::create_directories(own.scene.payload + "/z/inner"); }},
        {"a file swapped for a link",
         [](OwnPayload& own) {
             fs::remove(own.scene.payload + "/a/two.qtpl");
             fs::create_symlink("/etc/hostname", own.scene.payload + "/a/two.qtpl");
         }},
        {"a file given a second name",
         [](OwnPayload& own) {
             fs::create_hard_link(own.scene.payload + "/z/last.qtpl", own.scene.pack / "other-name");
         }},
    };
    for (const Case& one : cases) {
        OwnPayload own;
        const auto templateBefore = packgate_test::SnapshotTree(own.scene.templateFolder);
        auto request = own.request();
        bool changed = false;
        // Told first once the payload is listed and the room checked, before anything is staged.
        request.progress = [&](const installer::InstallProgress&) {
            if (!std::exchange(changed, true)) one.change(own);
        };
        const auto report = InstallPayload(request);
        EXPECT_FALSE(report.installed) << one.what;
        EXPECT_NE(report.error.find("changed while the pack was being installed"), std::string::npos)
            << one.what << ": " << report.error;
        EXPECT_EQ(packgate_test::FirstDifference(templateBefore,
                                                 packgate_test::SnapshotTree(own.scene.templateFolder)),
                  "")
            << one.what;
        EXPECT_TRUE(fs::exists(own.scene.payload + "/a/one.qtpl")) << one.what << ": the payload is back";
    }
}

// A file with a second name outside the payload is copied, not moved (a change through the
// other name would change the installed file); its folder is then staged entry by entry.
TEST(OwnPayload, AFileWithASecondNameIsCopiedAndTheRestStillMoved) {
    OwnPayload own;
    const std::string other = own.scene.pack / "other-name";
    fs::create_hard_link(own.scene.payload + "/a/one.qtpl", other);
    const auto report = InstallPayload(own.request());
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(own.scene.templateFile("a/one.qtpl"), "bytes of a/one.qtpl\n");
    EXPECT_EQ(fs::hard_link_count(own.scene.templateFolder + "/a/one.qtpl"), 1u);
    EXPECT_EQ(fs::hard_link_count(other), 2u) << "the payload's file stays where it was";
    EXPECT_FALSE(fs::exists(own.scene.payload + "/a/two.qtpl")) << "moved";
    EXPECT_FALSE(fs::exists(own.scene.payload + "/z")) << "moved whole";
}

// A second attempt after a failure installs the same files in full.
TEST(OwnPayload, AnotherAttemptAfterAFailureInstallsEverything) {
    OwnPayload own;
    fs::create_directories(own.scene.templateFolder + "/z/last.qtpl");
    ASSERT_FALSE(InstallPayload(own.request()).installed);
    fs::remove_all(own.scene.templateFolder + "/z");
    const auto report = InstallPayload(own.request());
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(own.scene.templateFile("a/one.qtpl"), "bytes of a/one.qtpl\n");
    EXPECT_EQ(own.scene.templateFile("z/last.qtpl"), "bytes of z/last.qtpl\n");
}

}  // namespace
}  // namespace installer_test
