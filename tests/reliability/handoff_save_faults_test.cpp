// Continue when the user's preferences folder is missing, read-only or full: the handoff
// list is always either the earlier list or the complete new one, never a mixture, a
// truncated file or a leftover temporary file, and a list that could not be saved is told
// to the user with the ID_WARN_SAVE_FAILED sheet while the pane stays.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include "fault_tally.h"
#include "foundation/plist_value.h"
#include "foundation/plist_write.h"
#include "injected_faults.h"
#include "pane_scene.h"

namespace packgate_reliability {
namespace {

namespace fs = std::filesystem;
using packgate_test::FakeMachine;

constexpr const char* kFamily = "preferences folder";
constexpr const char* kTemporaryPrefix = ".TempContentInstallPath.plist";

std::string EarlierListText() {
    foundation::PlistDict list;
    for (const char* key : {"Plist Path", "Version Code", "PRODUCT_TYPE", "EM2", "ContTemplatePath",
                            "ContInstallPath"}) {
        list.set(key, std::string("earlier ") + key);
    }
    return foundation::XmlPropertyListText(foundation::PlistValue(list));
}

class HandoffSave : public testing::Test {
  protected:
    void SetUp() override {
        scene.enter();
        ASSERT_EQ(scene.titles().size(), 2u);
        handoff = scene.machine.handoffListPath();
        preferences = scene.machine.userPreferencesFolder();
        // A save without faults gives the complete new list.
        ASSERT_TRUE(scene.exitForward());
        const auto saved = FileBytes(handoff);
        ASSERT_TRUE(saved.has_value());
        fresh = *saved;
        fs::remove(handoff);
    }

    // A new file each time: truncating one in place makes the file system flush it first.
    void PlaceEarlierList() {
        fs::remove(handoff);
        FakeMachine::writeText(handoff, earlier);
    }

    // One Continue under `plan`, from a clean log.
    bool ContinueWith(const FaultPlan& plan) {
        scene.log.clear();
        const InjectedFaults faults(plan);
        return scene.exitForward();
    }

    void ExpectToldSaveFailed(bool answer) {
        EXPECT_FALSE(answer) << "the pane went on without its handoff list";
        EXPECT_EQ(SheetMessage(scene.pane()), scene.text("ID_WARN_SAVE_FAILED"));
        EXPECT_TRUE(scene.log.contains("Add Plist Failed"));
    }

    void ExpectWentOn(bool answer) {
        EXPECT_TRUE(answer);
        EXPECT_EQ(SheetMessage(scene.pane()), "");
    }

    // The list on disk is `before` (absent: no file) or the complete new list, and no
    // temporary file is left beside it.
    void ExpectListWhole(FaultCase& fault, const std::optional<std::string>& before) {
        const auto now = FileBytes(handoff);
        const bool whole = now ? (*now == fresh || (before && *now == *before)) : !before;
        if (!whole) {
            fault.dataLost();
            ADD_FAILURE() << "the handoff list is neither the earlier list nor the new one: "
                          << (now ? std::to_string(now->size()) + " bytes" : "missing");
        }
        EXPECT_TRUE(NamesStartingWith(preferences, kTemporaryPrefix).empty())
            << "a temporary file was left in the preferences folder";
    }

    // A Continue under `plan` that cannot save: refused and told, earlier list kept.
    void ExpectRefusedAndKept(const std::string& name, const FaultPlan& plan) {
        FaultCase fault(kFamily, name);
        PlaceEarlierList();
        ExpectToldSaveFailed(ContinueWith(plan));
        ExpectListWhole(fault, earlier);
        EXPECT_EQ(FileBytes(handoff), earlier);
    }

    PaneScene scene;
    std::string handoff;
    std::string preferences;
    std::string fresh;
    const std::string earlier = EarlierListText();
};

TEST_F(HandoffSave, DiskFullAtEveryByteKeepsTheEarlierListOrWritesTheNewOneWhole) {
    for (std::size_t space = 0; space <= fresh.size(); ++space) {
        FaultCase fault(kFamily, "disk full after " + std::to_string(space) + " bytes");
        PlaceEarlierList();
        const bool answer = ContinueWith({.spaceLeft = space, .writeChunk = 64});
        if (space < fresh.size()) {
            ExpectToldSaveFailed(answer);
            EXPECT_EQ(FileBytes(handoff), earlier) << "after " << space << " bytes";
        } else {
            ExpectWentOn(answer);
            EXPECT_EQ(FileBytes(handoff), fresh);
        }
        ExpectListWhole(fault, earlier);
        if (testing::Test::HasFailure()) break;  // one report, not hundreds
    }
}

TEST_F(HandoffSave, DiskFullAtEveryByteWithoutAnEarlierListLeavesNoFile) {
    for (std::size_t space = 0; space < fresh.size(); ++space) {
        FaultCase fault(kFamily, "disk full after " + std::to_string(space) + " bytes, no list");
        fs::remove(handoff);
        ExpectToldSaveFailed(ContinueWith({.spaceLeft = space}));
        ExpectListWhole(fault, std::nullopt);
        EXPECT_FALSE(fs::exists(handoff));
        if (testing::Test::HasFailure()) break;
    }
}

TEST_F(HandoffSave, MissingPreferencesFolderIsToldAndNothingIsCreated) {
    FaultCase fault(kFamily, "preferences folder missing");
    FakeMachine::remove(preferences);
    ExpectToldSaveFailed(ContinueWith({}));
    EXPECT_FALSE(fs::exists(preferences));
    ExpectListWhole(fault, std::nullopt);
}

TEST_F(HandoffSave, PreferencesFolderThatIsAFileIsToldAndKept) {
    FaultCase fault(kFamily, "preferences folder is a file");
    scene.machine.blockUserPreferences();
    const auto blocker = FileBytes(preferences);
    ASSERT_TRUE(blocker.has_value());
    ExpectToldSaveFailed(ContinueWith({}));
    if (FileBytes(preferences) != blocker) {
        fault.dataLost();
        ADD_FAILURE() << "the file in the preferences folder's place changed";
    }
}

TEST_F(HandoffSave, ReadOnlyPreferencesFolderKeepsTheEarlierList) {
    ExpectRefusedAndKept("read-only folder (EACCES)", {.mkstempErrno = EACCES});
    ExpectRefusedAndKept("read-only file system (EROFS)", {.mkstempErrno = EROFS});
    ExpectRefusedAndKept("no inodes left (ENOSPC at create)", {.mkstempErrno = ENOSPC});
    ExpectRefusedAndKept("no space at the first write", {.spaceLeft = 0});
}

TEST_F(HandoffSave, FailedFlushCloseRenameOrModeKeepTheEarlierList) {
    ExpectRefusedAndKept("flush fails (EIO)", {.fsyncErrno = EIO});
    ExpectRefusedAndKept("close fails (EIO)", {.closeErrno = EIO});
    ExpectRefusedAndKept("rename fails (EIO)", {.renameErrno = EIO});
    ExpectRefusedAndKept("rename fails (EXDEV)", {.renameErrno = EXDEV});
    ExpectRefusedAndKept("mode change fails (EPERM)", {.fchmodErrno = EPERM});
}

TEST_F(HandoffSave, HandoffListThatIsAFolderIsToldAndKept) {
    FaultCase fault(kFamily, "handoff list is a folder");
    fs::create_directories(handoff + "/inside");
    FakeMachine::writeText(handoff + "/inside/keep.txt", "kept");
    ExpectToldSaveFailed(ContinueWith({}));
    if (FileBytes(handoff + "/inside/keep.txt") != "kept") {
        fault.dataLost();
        ADD_FAILURE() << "the folder in the handoff list's place lost its contents";
    }
    EXPECT_TRUE(NamesStartingWith(preferences, kTemporaryPrefix).empty());
}

TEST_F(HandoffSave, InterruptedAndShortWritesStillSaveTheWholeList) {
    FaultCase fault(kFamily, "interrupted one-byte writes");
    PlaceEarlierList();
    ExpectWentOn(ContinueWith({.writeChunk = 1, .interruptWrites = true}));
    EXPECT_EQ(FileBytes(handoff), fresh);
    ExpectListWhole(fault, earlier);
}

TEST_F(HandoffSave, HandoffListThatIsALinkIsReplacedAndItsTargetKept) {
    FaultCase fault(kFamily, "handoff list is a link to another file");
    const std::string other = scene.machine.folder() + "/other.plist";
    FakeMachine::writeText(other, "someone else's file");
    fs::create_symlink(other, handoff);
    ExpectWentOn(ContinueWith({}));
    if (FileBytes(other) != "someone else's file") {
        fault.dataLost();
        ADD_FAILURE() << "the save wrote through the link into another file";
    }
    EXPECT_FALSE(fs::is_symlink(handoff));
    EXPECT_EQ(FileBytes(handoff), fresh);
}

TEST_F(HandoffSave, DanglingLinkInTheListsPlaceIsReplaced) {
    FaultCase fault(kFamily, "handoff list is a dangling link");
    fs::create_symlink(scene.machine.folder() + "/nowhere/at/all", handoff);
    ExpectWentOn(ContinueWith({}));
    EXPECT_EQ(FileBytes(handoff), fresh);
    ExpectListWhole(fault, std::nullopt);
}

TEST_F(HandoffSave, SavedListThatCannotBeReadBackIsToldAndKept) {
    FaultCase fault(kFamily, "saved list unreadable on read-back");
    PlaceEarlierList();
    const bool answer = ContinueWith({.unreadable = "TempContentInstallPath.plist"});
    EXPECT_FALSE(answer);
    EXPECT_EQ(SheetMessage(scene.pane()), scene.text("ID_WARN_TempPath_NOT_FOUND"));
    EXPECT_FALSE(scene.pane().nextEnabled());
    EXPECT_EQ(FileBytes(handoff), fresh);
    ExpectListWhole(fault, earlier);
}

}  // namespace
}  // namespace packgate_reliability
