// The install step's staging: many files flushed at once and whole folders moved in one go,
// the digests a pack was signed with checked against the bytes copied, the journal of final
// moves read back only when well formed, and the sweep leaving a live run's folder alone.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "install_scene.h"
#include "installer/install/folder_handle.h"
#include "installer/install/receipt.h"
#include "installer/install/stage_journal.h"
#include "installer/install/stale_stages.h"
#include "tree_snapshot.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using installer::InstallPayload;
using installer::StagedMove;

bool NothingStaged(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(".packgate-")) return false;
    }
    return true;
}

// More small files than are flushed one by one, in a folder the template folder lacks and
// in one it has: the new folder arrives whole, the user's file in the other stays.
TEST(InstallStaging, ManyFilesArriveWholeWithTheirFoldersInTheReceipt) {
    InstallScene scene;
    packgate_test::FakeMachine::writeText(scene.templateFolder + "/Storyboards/Theirs.qtpl", "theirs\n");
    for (int i = 0; i < 150; ++i) {
        scene.payloadFile("Brushes/Set " + std::to_string(i % 3) + "/Brush " + std::to_string(i), std::to_string(i));
        scene.payloadFile("Storyboards/Extra " + std::to_string(i), "extra");
    }
    const auto report = InstallPayload(scene.request());
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(report.files, 303u);
    EXPECT_EQ(scene.templateFile("Brushes/Set 2/Brush 149"), "149");
    EXPECT_EQ(scene.templateFile("Storyboards/Extra 0"), "extra");
    EXPECT_EQ(scene.templateFile("Storyboards/Theirs.qtpl"), "theirs\n");
    EXPECT_TRUE(NothingStaged(scene.templateFolder));
    const auto receipt = installer::ReadReceipt(report.receiptPath);
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->files.size(), 303u);
    EXPECT_EQ(receipt->createdFolders,
              (std::vector<std::string>{"Brushes", "Brushes/Set 0", "Brushes/Set 1", "Brushes/Set 2",
                                        "Storyboards/Wide"}));
    for (const auto& file : receipt->files) {
        ASSERT_EQ(file.sha256, Sha256Hex(scene.templateFile(file.path))) << file.path;
    }
}

// Big files take the kernel's copy and have their digest read back in windows: one that ends
// part way into a window comes out whole with the right digest.
// A folder the pack creates keeps the pack's permissions, whether its files were copied or
// moved with it from an archive unpacked for this run.
TEST(InstallStaging, NewFoldersKeepThePacksPermissions) {
    for (const bool own : {false, true}) {
        InstallScene scene;
        scene.payloadFile("Shared/Inner/one.qtpl", "one\n");
        fs::permissions(scene.payload + "/Shared", fs::perms(0750));
        fs::permissions(scene.payload + "/Shared/Inner", fs::perms(0755));
        auto request = scene.request();
        request.payloadIsOwn = own;
        const auto report = InstallPayload(request);
        ASSERT_TRUE(report.installed) << report.error;
        EXPECT_EQ(fs::status(scene.templateFolder + "/Shared").permissions(), fs::perms(0750)) << own;
        EXPECT_EQ(fs::status(scene.templateFolder + "/Shared/Inner").permissions(), fs::perms(0755)) << own;
    }
}

// A big file's copy may take longer than a pause between reports: progress is told while it
// is copied, naming it, not only once it is done.
TEST(InstallStaging, ProgressIsToldWhileABigFileIsCopied) {
    InstallScene scene;
    scene.payloadFile("Big/huge.bin", std::string(13u << 20, 'h'));
    auto request = scene.request();
    bool toldDuringTheCopy = false;
    // "Big/" sorts first: the bytes done are the big file's alone while it is copied.
    request.progress = [&](const installer::InstallProgress& progress) {
        toldDuringTheCopy = toldDuringTheCopy || (progress.currentFile == "Big/huge.bin" &&
                                                  progress.bytesDone > 0 && progress.bytesDone < (13u << 20));
    };
    const auto report = InstallPayload(request);
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_TRUE(toldDuringTheCopy);
}

TEST(InstallStaging, BigFilesArriveWholeWithTheirDigests) {
    InstallScene scene;
    std::string big(9u << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 2654435761u) >> 13);
    big += "tail";
    scene.payloadFile("Big/one.bin", big);
    scene.payloadFile("Big/two.bin", big.substr(0, (1u << 20) + 1));
    const auto report = InstallPayload(scene.request());
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_TRUE(scene.templateFile("Big/one.bin") == big);
    const auto receipt = installer::ReadReceipt(report.receiptPath);
    ASSERT_TRUE(receipt);
    for (const auto& file : receipt->files) {
        EXPECT_EQ(file.sha256, Sha256Hex(scene.templateFile(file.path))) << file.path;
    }
}

TEST(InstallStaging, CopiedBytesMustMatchTheSignedDigests) {
    InstallScene scene;
    std::map<std::string, std::string> signedDigests{
        {"Storyboards/Panel A.qtpl", Sha256Hex("panel a\n")},
        {"Storyboards/Wide/Panel B.qtpl", Sha256Hex(std::string(70000, 'b'))},
        {"read-me.txt", Sha256Hex("hello\n")}};
    auto request = scene.request();
    request.expectedSha256 = signedDigests;
    ASSERT_TRUE(InstallPayload(request).installed);

    // The payload changed after it was signed: nothing of the new version lands.
    scene.payloadFile("Storyboards/Panel A.qtpl", "panel a, swapped\n");
    const auto before = packgate_test::SnapshotTree(scene.templateFolder);
    request = scene.request("1.1");
    request.expectedSha256 = signedDigests;
    auto report = InstallPayload(request);
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find("Storyboards/Panel A.qtpl"), std::string::npos) << report.error;
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
    EXPECT_TRUE(NothingStaged(scene.templateFolder));

    // A file the signature does not list is refused alike.
    scene.payloadFile("Storyboards/Panel A.qtpl", "panel a\n");
    scene.payloadFile("unsigned.txt", "slipped in\n");
    report = InstallPayload(request);
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find("unsigned.txt"), std::string::npos) << report.error;
    EXPECT_EQ(scene.templateFile("unsigned.txt"), "<missing>");
}

// The receipt's list is written as files are staged; a name XML cannot hold still fails the
// install only when the receipt is written, and changes nothing, the earlier receipt included.
TEST(InstallStaging, ANameNoReceiptCanHoldFailsTheInstallAndChangesNothing) {
    InstallScene scene;
    const auto first = InstallPayload(scene.request());
    ASSERT_TRUE(first.installed);
    const auto earlier = installer::ReadReceipt(first.receiptPath);
    ASSERT_TRUE(earlier);
    scene.payloadFile("Storyboards/bell\x07.qtpl", "ding\n");
    scene.payloadFile("read-me.txt", "second version\n");
    const auto before = packgate_test::SnapshotTree(scene.templateFolder);
    const auto report = InstallPayload(scene.request("1.1"));
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find("receipt.plist"), std::string::npos) << report.error;
    EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
    EXPECT_TRUE(NothingStaged(scene.templateFolder));
    const auto after = installer::ReadReceipt(first.receiptPath);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->version, "1.0");
    EXPECT_EQ(after->files.size(), earlier->files.size());
}

// Big files are copied in the kernel and read back for their digests while the flush runs:
// one whose bytes differ from the signed digest still stops the install whole, whichever of
// several it is.
TEST(InstallStaging, BigFilesReadBackMustMatchTheSignedDigests) {
    const std::string big(2u << 20, 'x');
    for (const std::string swapped : {"Big/a.bin", "Big/b.bin", "Big/c.bin"}) {
        InstallScene scene;
        std::map<std::string, std::string> signedDigests{
            {"Storyboards/Panel A.qtpl", Sha256Hex("panel a\n")},
            {"Storyboards/Wide/Panel B.qtpl", Sha256Hex(std::string(70000, 'b'))},
            {"read-me.txt", Sha256Hex("hello\n")}};
        for (const char* name : {"Big/a.bin", "Big/b.bin", "Big/c.bin"}) {
            scene.payloadFile(name, big);
            signedDigests[name] = Sha256Hex(big);
        }
        auto request = scene.request();
        request.expectedSha256 = signedDigests;
        ASSERT_TRUE(InstallPayload(request).installed) << swapped;
        std::string changed = big;
        changed[changed.size() / 2] = 'y';
        scene.payloadFile(swapped, changed);
        const auto before = packgate_test::SnapshotTree(scene.templateFolder);
        request = scene.request("1.1");
        request.expectedSha256 = signedDigests;
        const auto report = InstallPayload(request);
        EXPECT_FALSE(report.installed) << swapped;
        EXPECT_NE(report.error.find(swapped), std::string::npos) << report.error;
        EXPECT_EQ(packgate_test::FirstDifference(before, packgate_test::SnapshotTree(scene.templateFolder)), "");
        EXPECT_TRUE(NothingStaged(scene.templateFolder));
    }
}

// Big files are read back by more than one thread; of two that differ from their signed
// digests, the error names the first, as a single reader would.
TEST(InstallStaging, OfTwoBadBigFilesTheFirstIsNamed) {
    const std::string big(2u << 20, 'x');
    InstallScene scene;
    std::map<std::string, std::string> signedDigests{
        {"Storyboards/Panel A.qtpl", Sha256Hex("panel a\n")},
        {"Storyboards/Wide/Panel B.qtpl", Sha256Hex(std::string(70000, 'b'))},
        {"read-me.txt", Sha256Hex("hello\n")}};
    std::string changed = big;
    changed[0] = 'y';
    for (const char* name : {"Big/a.bin", "Big/b.bin", "Big/c.bin", "Big/d.bin"}) {
        const bool bad = std::string(name) == "Big/b.bin" || std::string(name) == "Big/c.bin";
        scene.payloadFile(name, bad ? changed : big);
        signedDigests[name] = Sha256Hex(big);
    }
    auto request = scene.request();
    request.expectedSha256 = signedDigests;
    const auto report = InstallPayload(request);
    EXPECT_FALSE(report.installed);
    EXPECT_NE(report.error.find("Big/b.bin"), std::string::npos) << report.error;
    EXPECT_EQ(scene.templateFile("Big/a.bin"), "<missing>");
    EXPECT_TRUE(NothingStaged(scene.templateFolder));
}

class JournalTest : public testing::Test {
  protected:
    void SetUp() override { stage_ = installer::OpenFolderNoFollow(scratch_.path()); }
    void writeRaw(const std::string& bytes) const {
        fs::remove(scratch_ / installer::kJournalName);
        packgate_test::FakeMachine::writeText(scratch_ / installer::kJournalName, bytes);
    }
    packgate_test::ScratchFolder scratch_{"pg-journal"};
    installer::FolderHandle stage_;
};

TEST_F(JournalTest, ReadsBackWhatWasWrittenAndNothingThatIsNotWellFormed) {
    const installer::StageJournal journal{"/home/u/Library/Receipts/x.plist",
                                          {{StagedMove::Kind::Folder, "New Set", ""},
                                           {StagedMove::Kind::File, "Set 1/Brush\n1", "1"},
                                           {StagedMove::Kind::Drop, "Gone.qtpl", "2"}}};
    ASSERT_TRUE(installer::WriteStageJournal(stage_.fd(), journal));
    const auto read = installer::ReadStageJournal(stage_.fd());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->receiptPath, journal.receiptPath);
    EXPECT_EQ(read->moves, journal.moves);

    using namespace std::string_literals;
    for (const std::string& bad : {"r\0P\0../escape\0\0"s, "r\0P\0/etc/passwd\0\0"s,
                                   "r\0P\0a\0../../x\0"s, "r\0D\0a\0\0"s, "r\0X\0a\0\0"s,
                                   "r\0P\0a\0"s, "r\0P\0a\0\0trailing"s}) {
        writeRaw(bad);
        EXPECT_FALSE(installer::ReadStageJournal(stage_.fd())) << testing::PrintToString(bad);
    }
}

TEST(StageSweep, LeavesALiveRunsFolderAndUndoesAnAbandonedOne) {
    InstallScene scene;
    ASSERT_TRUE(InstallPayload(scene.request()).installed);
    const installer::FolderHandle destination = installer::OpenFolderNoFollow(scene.templateFolder);
    // An abandoned run that had moved its read-me into place, the first one aside.
    const std::string stage = scene.templateFolder + "/.packgate-stage-999999";
    fs::create_directories(stage + "/new");
    fs::create_directories(stage + "/old");
    fs::rename(scene.templateFolder + "/read-me.txt", stage + "/old/0");
    packgate_test::FakeMachine::writeText(scene.templateFolder + "/read-me.txt", "half done\n");
    const installer::FolderHandle stageFolder = installer::OpenFolderNoFollow(stage);
    ASSERT_TRUE(installer::WriteStageJournal(
        stageFolder.fd(), {"unused", {{StagedMove::Kind::File, "read-me.txt", "0"}}}));

    // While its run holds the lock, the folder is that run's.
    installer::FolderHandle live = installer::OpenFolderNoFollow(stage);
    ASSERT_TRUE(installer::LockStage(live.fd()));
    EXPECT_EQ(installer::SweepAbandonedStages({destination.fd(), scene.templateFolder, scene.machine.home()}), 0);
    EXPECT_EQ(scene.templateFile("read-me.txt"), "half done\n");

    live = installer::FolderHandle();  // The run ends.
    EXPECT_EQ(installer::SweepAbandonedStages({destination.fd(), scene.templateFolder, scene.machine.home()}), 1);
    EXPECT_EQ(scene.templateFile("read-me.txt"), "hello\n");
    EXPECT_TRUE(NothingStaged(scene.templateFolder));
}

}  // namespace
}  // namespace installer_test
