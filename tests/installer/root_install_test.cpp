// Root installing into a user's container: the files are written as that user, while the
// payload is read as root, from a folder pack the user cannot enter and from an archive
// opened into root's private folder, whatever the payload files' own permissions.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "install_scene.h"
#include "installer/pack/pack.h"
#include "pack_fixture.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;
using installer::InstallPayloadAsOwner;

constexpr unsigned kUser = 4242;

// The container's home handed to `kUser`, reachable through the machine's folders.
void HandHomeToUser(const InstallScene& scene) {
    for (const auto& entry : fs::recursive_directory_iterator(scene.machine.home())) {
        ASSERT_EQ(::lchown(entry.path().c_str(), kUser, kUser), 0);
    }
    ASSERT_EQ(::chown(scene.machine.home().c_str(), kUser, kUser), 0);
    for (const auto& above : {scene.machine.folder(), scene.machine.folder() + "/home"}) {
        ASSERT_EQ(::chmod(above.c_str(), 0755), 0);
    }
}

unsigned OwnerOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_uid : ~0u;
}

// The file-system identity now in force (an invalid id changes nothing and answers it).
unsigned FileSystemUid() {
    return static_cast<unsigned>(::setfsuid(static_cast<uid_t>(-1)));
}

TEST(RootInstall, WritesIntoTheUsersContainerAsThatUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    InstallScene scene(Route::Store);
    HandHomeToUser(scene);
    // The pack folder stays root's own (0700): the user could not read the payload.
    ASSERT_EQ(::chmod(scene.pack.path().c_str(), 0700), 0);
    const auto report = InstallPayloadAsOwner(scene.request());
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(OwnerOf(scene.templateFolder + "/Storyboards/Wide/Panel B.qtpl"), kUser);
    EXPECT_EQ(OwnerOf(scene.templateFolder + "/Storyboards/Wide"), kUser);
    EXPECT_EQ(OwnerOf(report.receiptPath), kUser);
    // A folder in the container the user cannot write stays out of reach for the root run.
    ASSERT_EQ(::chown(scene.templateFolder.c_str(), 0, 0), 0);
    ::chmod(scene.templateFolder.c_str(), 0755);
    scene.payloadFile("new.txt", "n");
    const auto refused = InstallPayloadAsOwner(scene.request("1.1"));
    EXPECT_FALSE(refused.installed);
    EXPECT_NE(refused.error.find("Permission denied"), std::string::npos) << refused.error;
    EXPECT_EQ(scene.templateFile("new.txt"), "<missing>");
    EXPECT_EQ(::geteuid(), 0u);
    EXPECT_EQ(FileSystemUid(), 0u);
}

TEST(RootInstall, InstallsAnOpenedTarGzPackIntoTheUsersContainer) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    InstallScene scene(Route::Store);
    HandHomeToUser(scene);
    pack_test::PrivateTemporaryFolder tmp;
    packgate_test::ScratchFolder scratch{"pg-archive"};
    const std::string folder = pack_test::MakePackFolder(scratch);
    // A payload file only its owner may read, as an archive may well carry.
    fs::permissions(folder + "/Contents/Payload/Palettes/Dusk.qpal", fs::perms(0600));
    const std::string archive = scratch / "Test.pack.tar.gz";
    pack_test::MakeArchive(folder, "tar.gz", "pack", archive);
    const installer::PackOpening opening = installer::OpenPack(archive);
    ASSERT_TRUE(opening.pack) << opening.error;
    const std::string opened = fs::path(opening.pack->folder).parent_path();
    struct stat info {};
    ASSERT_EQ(::stat(opened.c_str(), &info), 0);
    // Others may pass through to the bundle the pane's helper loads, never list or change it.
    EXPECT_EQ(info.st_mode & 0777, 0711u) << "the opened archive stays root's alone";

    auto request = scene.request();
    request.pack = opening.pack->identity;
    request.payloadPath = opening.pack->payloadPath;
    const auto report = InstallPayloadAsOwner(request);
    ASSERT_TRUE(report.installed) << report.error;
    EXPECT_EQ(report.files, 4u);
    EXPECT_EQ(scene.templateFile("Palettes/Dusk.qpal"), "#1B1F3B\n");
    EXPECT_EQ(scene.templateFile("Board/Panels/Six.qtpl"), std::string(5000, 's'));
    EXPECT_EQ(OwnerOf(scene.templateFolder + "/Palettes/Dusk.qpal"), kUser);
    EXPECT_EQ(OwnerOf(scene.templateFolder + "/Board/Panels"), kUser);
    EXPECT_EQ(OwnerOf(report.receiptPath), kUser);
    EXPECT_EQ(FileSystemUid(), 0u);
}

}  // namespace
}  // namespace installer_test
