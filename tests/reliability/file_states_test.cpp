// The pane on a machine whose files are in odd states: files that are folders, folders that
// are files, unreadable files and folders, dangling and looping links, a FIFO, a listing that
// breaks off, and records replaced while the pane is open. Each broken place costs only the
// host that depends on it; every entry ends with consistent rows and the right label, and a
// Continue commits exactly the row the user saw.
#include <sys/stat.h>
#include <sys/types.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fault_tally.h"
#include "foundation/plist_read.h"
#include "injected_faults.h"
#include "pane_scene.h"

namespace packgate_reliability {
namespace {

namespace fs = std::filesystem;
using packgate_test::FakeMachine;

constexpr const char* kFamily = "file system states";
const std::string kMakerTitle = "Quillet 5 Studio";
const std::string kStoreTitle = "Quillet 5 ( Apple Store )";

void MakeFolderAt(const std::string& path) {
    FakeMachine::remove(path);
    fs::create_directories(path);
}

void MakeFileAt(const std::string& path) {
    FakeMachine::remove(path);
    FakeMachine::writeText(path, "a file where a folder belongs\n");
}

void MakeDanglingLinkAt(const std::string& path) {
    FakeMachine::remove(path);
    fs::create_symlink(path + ".missing", path);
}

void MakeLoopingLinkAt(const std::string& path) {
    FakeMachine::remove(path);
    fs::create_symlink(path + ".other", path);
    fs::create_symlink(path, path + ".other");
}

void MakeFifoAt(const std::string& path) {
    FakeMachine::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
}

struct BrokenMachine {
    std::string name;
    std::function<void(PaneScene&)> breakIt;
    FaultPlan faults;
    std::vector<std::string> titles;
};

// Enters the pane on a machine broken by `broken` and checks the rows and the label.
void EnterBroken(const BrokenMachine& broken) {
    FaultCase fault(kFamily, broken.name);
    PaneScene scene;
    broken.breakIt(scene);
    const char* label =
        broken.titles.empty() ? "ID_NOAP_DESCRIPTION" : "ID_CONTENTINSTALL_DESCRIPTION";
    std::string expectedLabel;
    {
        const InjectedFaults faults(broken.faults);
        scene.enter();
        // What the pane could read of its strings table while the faults were there.
        expectedLabel = scene.text(label);
    }
    EXPECT_EQ(RowProblems(scene.pane()), "") << broken.name;
    EXPECT_EQ(scene.titles(), broken.titles) << broken.name;
    EXPECT_EQ(scene.pane().m_pLabel()->stringValue(), expectedLabel) << broken.name;
}

void Untouched(PaneScene&) {}

TEST(FileStates, RecordsThatAreFoldersCostOnlyTheirHost) {
    const std::vector<BrokenMachine> cases = {
        {"shared-data list is a folder",
         [](PaneScene& s) { MakeFolderAt(s.machine.sharedDataListPath()); },
         {},
         {kStoreTitle}},
        {"host property list is a folder",
         [](PaneScene& s) { MakeFolderAt(s.maker.hostPlistPath); },
         {},
         {kStoreTitle}},
        {"host preferences are a folder",
         [](PaneScene& s) { MakeFolderAt(s.maker.preferencesPath); },
         {},
         {kStoreTitle}},
        {"application information file is a folder",
         [](PaneScene& s) { MakeFolderAt(s.maker.appPath + "/Contents/Info.plist"); },
         {},
         {kStoreTitle}},
        {"container record is a folder",
         [](PaneScene& s) { MakeFolderAt(s.store.recordPath); },
         {},
         {kMakerTitle}},
        {"store property list is a folder",
         [](PaneScene& s) { MakeFolderAt(s.store.storePlistPath); },
         {},
         {kMakerTitle}},
        {"template folder is a file",
         [](PaneScene& s) { MakeFileAt(s.maker.templateFolder); },
         {},
         {kMakerTitle, kStoreTitle}},
    };
    for (const auto& broken : cases) EnterBroken(broken);
}

TEST(FileStates, FoldersThatAreFilesCostOnlyTheirHost) {
    const std::vector<BrokenMachine> cases = {
        {"application bundle is a file",
         [](PaneScene& s) { MakeFileAt(s.maker.appPath); },
         {},
         {kStoreTitle}},
        {"containers folder is a file",
         [](PaneScene& s) { MakeFileAt(s.machine.containersFolder()); },
         {},
         {kMakerTitle}},
        {"container is a file",
         [](PaneScene& s) { MakeFileAt(s.store.containerFolder); },
         {},
         {kMakerTitle}},
        {"machine preferences folder is a file",
         [](PaneScene& s) { MakeFileAt(s.machine.root() + "/Library/Preferences"); },
         {},
         {kStoreTitle}},
    };
    for (const auto& broken : cases) EnterBroken(broken);
}

TEST(FileStates, UnreadableFilesAndFoldersCostOnlyTheirHost) {
    const std::vector<BrokenMachine> cases = {
        {"shared-data list unreadable",
         Untouched,
         {.unreadable = "com.velmora.SharedData"},
         {kStoreTitle}},
        {"host property list unreadable",
         Untouched,
         {.unreadable = "QuilletProduct.plist"},
         {kStoreTitle}},
        {"host preferences unreadable",
         Untouched,
         {.unreadable = "com.velmora.quillet.quillet.plist"},
         {kStoreTitle}},
        {"information files unreadable", Untouched, {.unreadable = "Contents/Info.plist"}, {}},
        {"containers folder unreadable",
         Untouched,
         {.unreadable = "Library/Containers"},
         {kMakerTitle}},
        {"container record unreadable",
         Untouched,
         {.unreadable = "com.velmora.sharedpreference.plist"},
         {kMakerTitle}},
        {"store property list unreadable",
         Untouched,
         {.unreadable = "QuilletStore.plist"},
         {kMakerTitle}},
        {"containers listing breaks off", Untouched, {.readdirFailsAfter = 1}, {kMakerTitle}},
        {"whole machine unreadable (EIO)",
         Untouched,
         {.unreadable = "packgate-machine", .unreadableErrno = EIO},
         {}},
    };
    for (const auto& broken : cases) EnterBroken(broken);
}

TEST(FileStates, DanglingAndLoopingLinksAndFifosReadAsMissing) {
    const std::vector<BrokenMachine> cases = {
        {"shared-data list is a dangling link",
         [](PaneScene& s) { MakeDanglingLinkAt(s.machine.sharedDataListPath()); },
         {},
         {kStoreTitle}},
        {"shared-data list is a looping link",
         [](PaneScene& s) { MakeLoopingLinkAt(s.machine.sharedDataListPath()); },
         {},
         {kStoreTitle}},
        {"shared-data list is a FIFO nobody writes",
         [](PaneScene& s) { MakeFifoAt(s.machine.sharedDataListPath()); },
         {},
         {kStoreTitle}},
        {"host property list is a FIFO",
         [](PaneScene& s) { MakeFifoAt(s.maker.hostPlistPath); },
         {},
         {kStoreTitle}},
        {"application is a looping link",
         [](PaneScene& s) { MakeLoopingLinkAt(s.maker.appPath); },
         {},
         {kStoreTitle}},
        {"containers folder is a looping link",
         [](PaneScene& s) { MakeLoopingLinkAt(s.machine.containersFolder()); },
         {},
         {kMakerTitle}},
        {"store property list is a dangling link",
         [](PaneScene& s) { MakeDanglingLinkAt(s.store.storePlistPath); },
         {},
         {kMakerTitle}},
        {"container record is a FIFO",
         [](PaneScene& s) { MakeFifoAt(s.store.recordPath); },
         {},
         {kMakerTitle}},
    };
    for (const auto& broken : cases) EnterBroken(broken);
}

TEST(FileStates, UnreadableBundleResourcesStillListEveryHost) {
    const std::vector<BrokenMachine> cases = {
        {"setup resource unreadable",
         Untouched,
         {.unreadable = "SetupSRC.plist"},
         {kMakerTitle, kStoreTitle}},
        {"strings table unreadable",
         Untouched,
         {.unreadable = "Localizable.strings"},
         {kMakerTitle, kStoreTitle}},
    };
    for (const auto& broken : cases) EnterBroken(broken);
}

// The records change between entry and Continue: the rows the user saw stay what Continue
// commits, and a template folder that went away is told.
class ReplacedWhileOpen : public testing::Test {
  protected:
    void SetUp() override {
        scene.enter();
        ASSERT_EQ(scene.titles(), (std::vector<std::string>{kMakerTitle, kStoreTitle}));
    }

    // Continue on `row` and check the handoff list against what that row showed.
    void ExpectRowCommitted(FaultCase& fault, std::size_t row) {
        ASSERT_TRUE(scene.pane().m_pMatrix()->selectCellAtRow(row));
        EXPECT_TRUE(scene.exitForward());
        const auto list = foundation::DictionaryWithContentsOfFile(scene.machine.handoffListPath());
        const bool matches =
            list &&
            foundation::StringForKey(&*list, "ContInstallPath") ==
                scene.pane().m_kProductInstallPath()[row] &&
            foundation::StringForKey(&*list, "Plist Path") == scene.pane().m_kapPlistPath()[row] &&
            foundation::StringForKey(&*list, "EM2") == scene.pane().m_kProductEM2()[row];
        if (!matches) {
            fault.dataLost();
            ADD_FAILURE() << "the handoff list does not hold the row the user chose";
        }
    }

    PaneScene scene;
};

TEST_F(ReplacedWhileOpen, SharedDataListEmptiedCommitsTheRowShown) {
    FaultCase fault(kFamily, "shared-data list emptied while open");
    FakeMachine::writeText(scene.machine.sharedDataListPath(), "{ Velmora = {}; }");
    ExpectRowCommitted(fault, 0);
}

TEST_F(ReplacedWhileOpen, SharedDataListReplacedByGarbageCommitsTheRowShown) {
    FaultCase fault(kFamily, "shared-data list replaced by garbage while open");
    FakeMachine::writeText(scene.machine.sharedDataListPath(), "bplist00 not really");
    ExpectRowCommitted(fault, 0);
    scene.enter();
    EXPECT_EQ(scene.titles(), std::vector<std::string>{kStoreTitle}) << "re-entry sees the change";
    EXPECT_EQ(RowProblems(scene.pane()), "");
}

TEST_F(ReplacedWhileOpen, StoreRecordsRemovedCommitTheRowShown) {
    FaultCase fault(kFamily, "store records removed while open");
    FakeMachine::remove(scene.store.storePlistPath);
    FakeMachine::writeText(scene.store.recordPath, "");
    ExpectRowCommitted(fault, 1);
}

TEST_F(ReplacedWhileOpen, TemplateFolderRemovedIsToldAndContinueDisabled) {
    FaultCase fault(kFamily, "template folder removed while open");
    FakeMachine::remove(scene.maker.templateFolder);
    EXPECT_FALSE(scene.exitForward());
    EXPECT_EQ(SheetMessage(scene.pane()), scene.text("ID_WARN_TempPath_NOT_FOUND"));
    EXPECT_FALSE(scene.pane().nextEnabled());
}

}  // namespace
}  // namespace packgate_reliability
