// The plug-in loaded into a process that has the platform library already: it shares that one
// copy, so the root, the home folder and the log sink set here hold for the pane as well.
#include <gtest/gtest.h>
#include <link.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fake_machine.h"
#include "foundation/system_log.h"
#include "installer/model/bundle_loader.h"
#include "installer_program.h"
#include "log_capture.h"

namespace installer_test {
namespace {

namespace fs = std::filesystem;

// The files of the loaded objects whose name starts with libpackgate_platform.so.
std::vector<std::string> LoadedPlatformLibraries() {
    std::vector<std::string> found;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            const std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
            if (fs::path(name).filename().string().starts_with("libpackgate_platform.so")) {
                static_cast<std::vector<std::string>*>(data)->push_back(name);
            }
            return 0;
        },
        &found);
    return found;
}

TEST(PluginLoad, ACopiedBundleSharesTheProgramsPlatformLibrary) {
    ASSERT_EQ(LoadedPlatformLibraries().size(), 1u);
    TemporaryFolder scratch;
    const std::string bundle = scratch.path() + "/Packgate.bundle";
    fs::copy(kBundle, bundle, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    ASSERT_TRUE(fs::exists(bundle + "/Contents/dylib/libpackgate_platform.so.1"));
    packgate_test::FakeMachine machine;
    machine.addMakerHost({});
    packgate_test::LogCapture log;

    const installer::PluginLoad load = installer::LoadPluginBundle(bundle);
    ASSERT_TRUE(load.plugin) << load.error;
    const std::vector<std::string> loaded = LoadedPlatformLibraries();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_FALSE(loaded[0].starts_with(bundle)) << loaded[0];

    InstallerPane& pane = load.plugin->pane();
    pane.didEnterPane(InstallerDirectionForward);
    // The pane logged through this process's sink and looked for copies under the root set
    // here by the fake machine.
    EXPECT_TRUE(log.contains("didEnterPane"));
    ASSERT_TRUE(pane.contentView().matrix);
    EXPECT_EQ(pane.contentView().matrix->numberOfRows(), 1u);
}

}  // namespace
}  // namespace installer_test
