// The install step on fake machines: what lands in the template folder, what never does,
// receipts as another reader sees them, upgrades, downgrades, verify and uninstall.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "child_process.h"
#include "install_scene.h"
#include "installer/install/receipt.h"
#include "installer/install/receipt_check.h"
#include "tree_snapshot.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using installer::InstallPayload;
using installer::InstallPayloadAsOwner;

bool NoStageLeft(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(".packgate-")) return false;
    }
    return true;
}

class InstallOnRoute : public testing::TestWithParam<Route> {};

TEST_P(InstallOnRoute, CopiesThePayloadLeavesTheUsersFilesAndWritesAReceiptPlistlibReads) {
    InstallScene scene(GetParam());
    std::vector<installer::InstallProgress> told;
    auto request = scene.request();
    request.progress = [&](const installer::InstallProgress& p) { told.push_back(p); };
    const auto report = InstallPayloadAsOwner(request);
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(report.files, 3u);
    EXPECT_EQ(report.bytes, 8u + 70000u + 6u);
    EXPECT_EQ(scene.templateFile("Storyboards/Wide/Panel B.qtpl"), std::string(70000, 'b'));
    EXPECT_EQ(scene.templateFile("read-me.txt"), "hello\n");
    EXPECT_EQ(scene.templateFile("Mine.qtpl"), "my own\n");
    EXPECT_TRUE(NoStageLeft(scene.templateFolder));
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().filesDone, 3u);
    EXPECT_EQ(told.back().bytesDone, report.bytes);

    // Python reads the receipt and checks every digest against the installed files itself.
    const std::string script = R"(
import hashlib, os, plistlib, sys
r = plistlib.load(open(sys.argv[1], 'rb'))
assert r['Identifier'] == 'com.velmora.pack.storyboard' and r['Version'] == '1.0', r
assert r['Destination'] == sys.argv[2] and r['HostTitle'], r
assert sorted(f['Path'] for f in r['Files']) == ['Storyboards/Panel A.qtpl', 'Storyboards/Wide/Panel B.qtpl', 'read-me.txt']
for f in r['Files']:
    data = open(os.path.join(sys.argv[2], f['Path']), 'rb').read()
    assert f['Size'] == len(data) and f['SHA256'] == hashlib.sha256(data).hexdigest(), f
assert r['CreatedFolders'] == ['Storyboards', 'Storyboards/Wide'], r['CreatedFolders']
assert r['InstalledAt'].year >= 2024
)";
    EXPECT_EQ(packgate_test::RunProgram(
                  {"python3", "-c", script, report.receiptPath, scene.templateFolder}),
              0);
}

INSTANTIATE_TEST_SUITE_P(BothRoutes, InstallOnRoute, testing::Values(Route::Maker, Route::Store));

TEST(InstallStep, RefusesWhenTheTemplateFolderIsALinkAndWritesNothingThroughIt) {
    InstallScene scene;
    const std::string elsewhere = scene.pack.MakeFolder("elsewhere");
    fs::rename(scene.templateFolder, scene.pack / "moved");
    fs::create_directory_symlink(elsewhere, scene.templateFolder);
    const auto report = InstallPayload(scene.request());
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find(scene.templateFolder), std::string::npos) << report.error;
    EXPECT_TRUE(fs::is_empty(elsewhere));
    // A link higher up the path is refused as well.
    fs::remove(scene.templateFolder);
    fs::rename(scene.pack / "moved", scene.templateFolder);
    const fs::path parent = fs::path(scene.templateFolder).parent_path();
    fs::rename(parent, scene.pack / "parent");
    fs::create_directory_symlink(scene.pack / "parent", parent);
    EXPECT_FALSE(InstallPayload(scene.request()).installed);
    EXPECT_EQ(FileText(scene.pack / "parent" / fs::path(scene.templateFolder).filename() / "read-me.txt"),
              "<missing>");
}

TEST(InstallStep, RefusesAPayloadWithALinkAndAStoreDestinationOutsideTheHome) {
    InstallScene scene(Route::Store);
    const auto before = packgate_test::SnapshotTree(scene.templateFolder);
    fs::create_symlink("/etc/passwd", scene.payload + "/passwd");
    auto report = InstallPayload(scene.request());
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find("passwd"), std::string::npos) << report.error;
    fs::remove(scene.payload + "/passwd");

    auto outside = scene.request();
    outside.destination = scene.pack.MakeFolder("not-home");
    report = InstallPayloadAsOwner(outside);
    EXPECT_FALSE(report.installed);
    EXPECT_TRUE(fs::is_empty(outside.destination));
    outside.destination = scene.machine.home() + "/../../elsewhere";
    EXPECT_FALSE(InstallPayloadAsOwner(outside).installed);
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
}

TEST(InstallStep, ReadOnlyTemplateFolderFailsAndStaysAsItWas) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    InstallScene scene;
    const auto before = packgate_test::SnapshotTree(scene.templateFolder);
    fs::permissions(scene.templateFolder, fs::perms::owner_read | fs::perms::owner_exec);
    const auto report = InstallPayload(scene.request());
    fs::permissions(scene.templateFolder, fs::perms::owner_all);
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find("Permission denied"), std::string::npos) << report.error;
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
}

TEST(InstallStep, UpgradeReplacesFilesRemovesDroppedOnesButKeepsChangedOnes) {
    InstallScene scene;
    scene.payloadFile("dropped.txt", "old only\n");
    scene.payloadFile("edited.txt", "as shipped\n");
    ASSERT_TRUE(InstallPayload(scene.request("1.0")).installed);
    packgate_test::FakeMachine::writeText(scene.templateFolder + "/edited.txt", "user edit\n");
    fs::remove(scene.payload + "/dropped.txt");
    fs::remove(scene.payload + "/edited.txt");
    scene.payloadFile("read-me.txt", "hello again\n");
    const auto report = InstallPayload(scene.request("1.1"));
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(scene.templateFile("read-me.txt"), "hello again\n");
    EXPECT_EQ(scene.templateFile("dropped.txt"), "<missing>");
    EXPECT_EQ(scene.templateFile("edited.txt"), "user edit\n");
    EXPECT_EQ(report.keptFiles, std::vector<std::string>{"edited.txt"});
    const auto receipt = installer::ReadReceipt(report.receiptPath);
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->version, "1.1");
    EXPECT_EQ(receipt->files.size(), 3u);
}

TEST(InstallStep, OlderVersionNeedsAYesOrAllowDowngrade) {
    InstallScene scene;
    ASSERT_TRUE(InstallPayload(scene.request("1.10")).installed);
    const auto before = packgate_test::SnapshotTree(scene.templateFolder);
    auto request = scene.request("1.9");
    std::string asked;
    request.confirm = [&](const std::string& question) {
        asked = question;
        return false;
    };
    const auto refused = InstallPayload(request);
    EXPECT_FALSE(refused.installed);
    EXPECT_NE(asked.find("1.10"), std::string::npos) << asked;
    EXPECT_NE(refused.error.find("--allow-downgrade"), std::string::npos) << refused.error;
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
    request.confirm = [](const std::string&) { return true; };
    EXPECT_TRUE(InstallPayload(request).installed);
    request.confirm = nullptr;
    request.pack.version = "1.0";
    request.allowDowngrade = true;
    EXPECT_TRUE(InstallPayload(request).installed);
    EXPECT_EQ(installer::ReadReceipt(installer::ReceiptPathFor(scene.machine.home(),
                                                              request.pack.identifier,
                                                              scene.templateFolder))
                  ->version,
              "1.0");
}

TEST(Receipts, VerifyFindsChangedAndMissingFilesAndUninstallKeepsTheChangedOne) {
    InstallScene scene;
    const auto report = InstallPayload(scene.request());
    ASSERT_TRUE(report.installed);
    auto receipt = installer::ReadReceipt(report.receiptPath);
    ASSERT_TRUE(receipt);
    EXPECT_TRUE(installer::VerifyReceipt(*receipt).intact());
    // Same size, other bytes: only the digest tells.
    packgate_test::FakeMachine::writeText(scene.templateFolder + "/read-me.txt", "HELLO\n");
    fs::remove(scene.templateFolder + "/Storyboards/Panel A.qtpl");
    const auto check = installer::VerifyReceipt(*receipt);
    EXPECT_EQ(check.changed, std::vector<std::string>{"read-me.txt"});
    EXPECT_EQ(check.missing, std::vector<std::string>{"Storyboards/Panel A.qtpl"});

    const auto done = installer::UninstallReceipt(*receipt, report.receiptPath);
    EXPECT_EQ(done.removed, std::vector<std::string>{"Storyboards/Wide/Panel B.qtpl"});
    EXPECT_EQ(done.kept, std::vector<std::string>{"read-me.txt"});
    EXPECT_TRUE(done.receiptRemoved);
    EXPECT_FALSE(fs::exists(scene.templateFolder + "/Storyboards"));
    EXPECT_EQ(scene.templateFile("read-me.txt"), "HELLO\n");
    EXPECT_EQ(scene.templateFile("Mine.qtpl"), "my own\n");
}

TEST(Receipts, UninstallLeavesAFolderThatHoldsTheUsersFile) {
    InstallScene scene;
    const auto report = InstallPayload(scene.request());
    ASSERT_TRUE(report.installed);
    packgate_test::FakeMachine::writeText(scene.templateFolder + "/Storyboards/ours.txt", "x");
    const auto done = installer::UninstallReceipt(*installer::ReadReceipt(report.receiptPath),
                                                  report.receiptPath);
    EXPECT_EQ(done.removed.size(), 3u);
    EXPECT_EQ(scene.templateFile("Storyboards/ours.txt"), "x");
    EXPECT_FALSE(fs::exists(scene.templateFolder + "/Storyboards/Wide"));
}

TEST(Receipts, VersionsCompareByTheirNumbers) {
    EXPECT_LT(installer::CompareVersions("1.9", "1.10"), 0);
    EXPECT_EQ(installer::CompareVersions("1.0", "1"), 0);
    EXPECT_GT(installer::CompareVersions("2.0.1", "2.0"), 0);
    EXPECT_LT(installer::CompareVersions("1.0b", "1.0c"), 0);
    EXPECT_FALSE(installer::IsReceiptIdentifier("../evil"));
    EXPECT_FALSE(installer::IsReceiptIdentifier("a/b"));
    EXPECT_TRUE(installer::IsReceiptIdentifier("com.velmora.pack-1_2"));
}

}  // namespace
}  // namespace installer_test
