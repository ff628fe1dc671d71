// The install killed (SIGKILL) at every phase and at random points of an upgrade of a few
// hundred files: what a person sees in the template folder before the commit is exactly the
// old contents; once the next run has swept the killed one's staging folder, the template
// folder holds exactly the old contents (with the old receipt) or exactly the complete new ones
// (with the new receipt), and nothing of the killed run is left. The next install then
// completes as if nothing had happened.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "child_process.h"
#include "fault_tally.h"
#include "installer/install/folder_handle.h"
#include "installer/install/receipt.h"
#include "installer/install/stale_stages.h"
#include "scratch_folder.h"
#include "tree_snapshot.h"

namespace packgate_reliability {
namespace {

namespace fs = std::filesystem;
constexpr const char* kFamily = "killed install";
constexpr int kFolders = 6;
constexpr int kFilesPerFolder = 50;

bool IsStage(const std::string& path) {
    return path.starts_with(".packgate-");
}

// The template folder as a person sees it: without the installer's own staging folder.
packgate_test::TreeSnapshot Visible(const std::string& folder) {
    packgate_test::TreeSnapshot tree = packgate_test::SnapshotTree(folder);
    std::erase_if(tree, [](const auto& entry) { return IsStage(entry.first); });
    return tree;
}

bool AnyStage(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (IsStage(entry.path().filename().string())) return true;
    }
    return false;
}

class KilledInstall : public testing::Test {
  protected:
    void SetUp() override {
        home_ = scratch_.MakeFolder("home");
        first_ = scratch_.MakeFolder("first");
        second_ = scratch_.MakeFolder("second");
        for (int folder = 0; folder < kFolders; ++folder) {
            for (int file = 0; file < kFilesPerFolder; ++file) {
                const std::string name = "Set " + std::to_string(folder) + "/Brush " + std::to_string(file);
                scratch_.Write("first/" + name, "first " + name);
                // The second version changes a third of them and keeps the rest.
                scratch_.Write("second/" + name, file % 3 == 0 ? "second " + name : "first " + name);
            }
        }
        scratch_.Write("first/read-me.txt", "first\n");
        scratch_.Write("first/Gone.qtpl", "only in the first version\n");
        scratch_.Write("second/read-me.txt", "second\n");
        for (int file = 0; file < 40; ++file) {
            scratch_.Write("second/New Set/Deep/Brush " + std::to_string(file), "new " + std::to_string(file));
            scratch_.Write("second/Set 1/Added " + std::to_string(file), "added " + std::to_string(file));
        }
        newTree_ = installFresh("new", true);
    }

    // Installs the first version (and the second after it when `upgrade`) into a new template
    // folder beside the user's own file; answers the snapshot, keeping the first one's.
    packgate_test::TreeSnapshot installFresh(const std::string& name, bool upgrade) {
        destination_ = scratch_.MakeFolder("templates/" + name);
        scratch_.Write("templates/" + name + "/Mine.qtpl", "my own\n");
        EXPECT_EQ(run("1.0", "-", 0), 0);
        oldTree_ = packgate_test::SnapshotTree(destination_);
        if (upgrade) {
            EXPECT_EQ(run("2.0", "-", 0), 0);
        }
        return packgate_test::SnapshotTree(destination_);
    }

    // The helper's exit code; -1 when it was killed.
    int run(const std::string& version, const std::string& phase, std::size_t step) {
        std::string payload = version == "1.0" ? first_ : second_;
        std::vector<std::string> args{KILLED_INSTALL_HELPER, payload, destination_, home_, version,
                                      phase, std::to_string(step)};
        if (ownPayload_ && version != "1.0") {
            // Moved from, so a fresh copy each time, as each run unpacks its archive anew.
            args[1] = scratch_.path() + "/own " + std::to_string(owned_++);
            fs::copy(second_, args[1], fs::copy_options::recursive);
            args.push_back("own");
        }
        return packgate_test::RunProgram(args).value_or(-1);
    }

    std::string receiptVersion() const {
        const auto receipt = installer::ReadReceipt(
            installer::ReceiptPathFor(home_, "com.velmora.pack.storyboard", destination_));
        return receipt ? receipt->version : "<none>";
    }

    // Kills the upgrade at `phase`/`step`, then checks what is left, what the sweep makes of
    // it, and that the next install completes.
    void killAt(const std::string& phase, std::size_t step) {
        const std::string name = phase + " " + std::to_string(step);
        installFresh("case " + std::to_string(cases_++), false);
        FaultCase fault(kFamily, "killed at " + name);
        const int status = run("2.0", phase, step);
        ASSERT_EQ(status, -1) << name << ": the install was not killed";
        const bool beforeCommit = phase == "stage" || phase == "flush";
        if (beforeCommit && !packgate_test::FirstDifference(oldTree_, Visible(destination_)).empty()) {
            fault.dataLost();
            ADD_FAILURE() << name << ": visible before the commit: "
                          << packgate_test::FirstDifference(oldTree_, Visible(destination_));
        }
        const installer::FolderHandle folder = installer::OpenFolderNoFollow(destination_);
        ASSERT_TRUE(folder.valid());
        installer::SweepAbandonedStages({folder.fd(), destination_, home_});
        const auto after = packgate_test::SnapshotTree(destination_);
        const bool old = packgate_test::FirstDifference(oldTree_, after).empty();
        const bool whole = packgate_test::FirstDifference(newTree_, after).empty();
        if (!old && !whole) {
            fault.dataLost();
            ADD_FAILURE() << name << ": neither old nor new: against old "
                          << packgate_test::FirstDifference(oldTree_, after) << "; against new "
                          << packgate_test::FirstDifference(newTree_, after);
        }
        EXPECT_EQ(receiptVersion(), whole ? "2.0" : "1.0") << name;
        EXPECT_FALSE(AnyStage(destination_)) << name;
        EXPECT_EQ(run("2.0", "-", 0), 0) << name;
        EXPECT_EQ(packgate_test::FirstDifference(newTree_, packgate_test::SnapshotTree(destination_)), "")
            << name;
    }

    packgate_test::ScratchFolder scratch_{"pg-killed"};
    std::string home_;
    std::string first_;
    std::string second_;
    std::string destination_;
    packgate_test::TreeSnapshot oldTree_;
    packgate_test::TreeSnapshot newTree_;
    int cases_ = 0;
    bool ownPayload_ = false;
    int owned_ = 0;
};

constexpr std::size_t kFilesStaged = kFolders * kFilesPerFolder + 40 * 2 + 1;
// Every file placed (each replaces its first version but the 40 added), the new folder whole,
// and the dropped file moved aside.
constexpr std::size_t kMoves = kFolders * kFilesPerFolder + 40 + 1 + 1 + 1;

TEST_F(KilledInstall, AtEveryPhaseTheTemplateFolderIsOldOrNewAndTheNextRunCleansUp) {
    const std::vector<std::pair<std::string, std::size_t>> points = {
        {"stage", 0}, {"stage", kFilesStaged - 1}, {"flush", 0}, {"commit", 0}, {"commit", 1},
        {"commit", kMoves - 1}, {"committed", 0}, {"clean", 0}};
    for (const auto& [phase, step] : points) {
        killAt(phase, step);
        if (HasFailure()) return;
    }
}

// The payload moved into staging rather than copied (an archive's, unpacked for the run).
TEST_F(KilledInstall, AMovedPayloadKilledAtEveryPhaseLeavesOldOrNew) {
    ownPayload_ = true;
    const std::vector<std::pair<std::string, std::size_t>> points = {
        {"stage", 0}, {"stage", kFilesStaged / 2}, {"flush", 0}, {"commit", 1}, {"committed", 0}};
    for (const auto& [phase, step] : points) {
        killAt(phase, step);
        if (HasFailure()) return;
    }
}

TEST_F(KilledInstall, AtRandomPointsTheTemplateFolderIsOldOrNew) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::size_t> staged(1, kFilesStaged - 2);
    std::uniform_int_distribution<std::size_t> moved(2, kMoves - 2);
    for (int point = 0; point < 3; ++point) {
        killAt("stage", staged(random));
        killAt("commit", moved(random));
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace packgate_reliability
