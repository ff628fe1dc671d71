// A containers folder with thousands of entries, only a few of them the maker's: the store
// route examines just those, and many listed hosts still give one tagged row each.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fault_tally.h"
#include "pane_scene.h"

namespace packgate_reliability {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFamily = "crowded containers";
constexpr int kCrowd = 5000;

// `count` empty container folders of other applications.
void AddOtherContainers(const PaneScene& scene, int count) {
    for (int i = 0; i < count; ++i) {
        fs::create_directory(scene.machine.containersFolder() + "/com.example.app" +
                             std::to_string(i));
    }
}

std::size_t LinesStartingWith(const LogCapture& log, const std::string& prefix) {
    std::size_t count = 0;
    for (const std::string& line : log.all())
        if (line.starts_with(prefix)) ++count;
    return count;
}

TEST(CrowdedContainers, FiveThousandEntriesWithThreeOfTheMakersListOnlyItsHost) {
    FaultCase fault(kFamily, "5000 containers, 3 of the maker's");
    PaneScene scene;
    AddOtherContainers(scene, kCrowd - 3);
    fs::create_directories(scene.machine.containersFolder() + "/com.velmora.empty/Data");
    fs::create_directories(scene.machine.containersFolder() + "/group.com.velmora.shared");
    scene.enter();
    EXPECT_EQ(scene.titles(),
              (std::vector<std::string>{"Quillet 5 Studio", "Quillet 5 ( Apple Store )"}));
    EXPECT_EQ(RowProblems(scene.pane()), "");
    EXPECT_EQ(LinesStartingWith(scene.log, "KZ_sArrayPath:"), 3u)
        << "only the maker's containers are examined";
}

TEST(CrowdedContainers, FiveThousandOfTheMakersContainersWithoutRecordsListNothingMore) {
    FaultCase fault(kFamily, "5000 of the maker's containers without records");
    PaneScene scene;
    for (int i = 0; i < kCrowd; ++i) {
        fs::create_directories(scene.machine.containersFolder() + "/com.velmora.copy" +
                               std::to_string(i));
    }
    scene.enter();
    EXPECT_EQ(scene.titles().size(), 2u);
    EXPECT_EQ(RowProblems(scene.pane()), "");
    EXPECT_EQ(LinesStartingWith(scene.log, "KZ_sArrayPath:"), kCrowd + 1u);
}

TEST(CrowdedContainers, OddlyNamedEntriesAreListedWithoutHarm) {
    FaultCase fault(kFamily, "container names with odd bytes");
    PaneScene scene;
    for (const std::string name : {"com.velmora.\xff\xfe", "com.velmora.line\nbreak",
                                   "com.velmora.%@%d%n", "COM.VELMORA.UPPER", " com.velmora "}) {
        fs::create_directories(scene.machine.containersFolder() + "/" + name + "/Data");
    }
    scene.enter();
    EXPECT_EQ(scene.titles().size(), 2u);
    EXPECT_EQ(RowProblems(scene.pane()), "");
}

TEST(CrowdedContainers, SixtyStoreHostsGiveSixtyTaggedRows) {
    FaultCase fault(kFamily, "60 store hosts among 1000 containers");
    PaneScene scene;
    AddOtherContainers(scene, 1000 - 61);
    for (int i = 0; i < 60; ++i) {
        scene.machine.addStoreHost({.container = "com.velmora.quillet" + std::to_string(i)});
    }
    scene.enter();
    EXPECT_EQ(scene.titles().size(), 62u);
    EXPECT_EQ(RowProblems(scene.pane()), "");
    // Coming back lists them again on the same, grown matrix.
    scene.pane().didEnterPane(InstallerDirectionBackward);
    EXPECT_EQ(scene.titles().size(), 62u);
    EXPECT_EQ(RowProblems(scene.pane()), "");
}

}  // namespace
}  // namespace packgate_reliability
