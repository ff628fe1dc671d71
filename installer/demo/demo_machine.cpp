#include "installer/demo/demo_machine.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "foundation/string_or_number.h"

namespace installer {
namespace {

namespace fs = std::filesystem;

// Marks a folder as a demo machine, so a later --demo with the same folder may replace it.
constexpr const char* kMarkerName = "packgate-demo.txt";

// Makes `folder` ready to receive a demo machine; answers the reason when it is not.
std::string PrepareFolder(const std::string& folder) {
    std::error_code error;
    if (!fs::exists(folder, error)) {
        fs::create_directories(folder, error);
        return error ? "cannot create " + folder + ": " + error.message() : "";
    }
    if (!fs::is_directory(folder, error)) return folder + " is not a folder";
    if (fs::is_empty(folder, error)) return error ? folder + ": " + error.message() : "";
    if (!fs::exists(fs::path(folder) / kMarkerName, error)) {
        return folder + " is not empty and holds no earlier demo machine; choose another folder";
    }
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        fs::remove_all(entry.path(), error);
        if (error) return "cannot clear " + entry.path().string() + ": " + error.message();
    }
    return error ? folder + ": " + error.message() : "";
}

// A new folder under the temporary folder ($TMPDIR, else /tmp).
std::string NewTemporaryFolder(std::string& error) {
    std::error_code code;
    std::string pattern = (fs::temp_directory_path(code) / "packgate-demo-XXXXXX").string();
    if (code) pattern = "/tmp/packgate-demo-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a folder for the demo machine: " + std::string(strerror(errno));
        return {};
    }
    return pattern;
}

void WriteMarker(const std::string& folder) {
    std::ofstream marker(fs::path(folder) / kMarkerName);
    marker << "A demo machine of packgate-installer --demo: root/ stands for \"/\", home/ holds\n"
              "the user's home. packgate-installer --demo with this folder lays it out anew.\n";
}

// The line that tells a pack maker the demo's copies were fitted to their pack.
std::string Adaptation(std::int32_t required, std::int32_t good) {
    return "Demo machine: the offered copies have revision code " + std::to_string(good) +
           " and the older one " + std::to_string(required > 0 ? required - 1 : 0) +
           ", to suit the pack's required " + std::to_string(required);
}

void LayOut(DemoMachine& demo, const PackInfo& pack) {
    MachineLayout& machine = demo.layout();
    const std::int32_t required = pack.requiredVersion.intValue();
    const std::int32_t good = std::max<std::int32_t>(required, 130);
    demo.setAdaptation(Adaptation(required, good));

    MakerHost current;
    current.versionCode = std::to_string(good);
    MakerHost old;
    old.name = "quillet4";
    old.productTitle = "Quillet 4 Studio";
    old.dataVision = "4.1";
    old.appVersion = "4.1.3";
    old.em2 = "QL4-2210-0007";
    old.versionCode = std::to_string(required > 0 ? required - 1 : 0);
    MakerHost predecessor;
    predecessor.name = "brellion";
    predecessor.productName = "Brellion";
    predecessor.productTitle = "Brellion 3";
    predecessor.dataVision = "3.0";
    predecessor.appVersion = "3.0.2";
    predecessor.em2 = "BR3-0815-0001";
    predecessor.versionCode = "300";
    MakerHost legacy;
    legacy.name = "quillet-legacy";
    legacy.minimumDataVersion = "0.9";
    legacy.em2 = "QL5-7731-0099";
    legacy.versionCode = std::to_string(good);
    MakerHost moved;
    moved.name = "quillet-moved";
    moved.installApp = false;
    moved.versionCode = std::to_string(good);
    const MakerHost makers[] = {current, old, legacy, moved, predecessor};
    machine.addMakerHosts(makers);

    StoreHost store;
    // The store route compares the first three characters of the version code with the
    // pack's required version.
    if (good <= 999) store.versionCode = std::to_string(good) + "1187";
    machine.addStoreHost(store);
    StoreHost updated = store;
    updated.container = "com.velmora.quillet.beta";
    updated.appVersion = "5.3.0";
    machine.addStoreHost(updated);
    machine.setHostInstallerList({});
}

}  // namespace

std::unique_ptr<DemoMachine> CreateDemoMachine(const std::optional<std::string>& folder,
                                               const PackInfo& pack, std::string& error) {
    try {
        std::string chosen;
        if (folder) {
            error = PrepareFolder(*folder);
            fs::path path = fs::absolute(*folder).lexically_normal();
            if (!path.has_filename()) path = path.parent_path();  // A trailing "/".
            chosen = path.string();
        } else {
            chosen = NewTemporaryFolder(error);
        }
        if (!error.empty()) return nullptr;
        auto machine = std::make_unique<DemoMachine>(chosen);
        WriteMarker(chosen);
        LayOut(*machine, pack);
        if (!machine->layout().error().empty()) {
            error = "cannot lay out the demo machine: " + machine->layout().error();
            return nullptr;
        }
        return machine;
    } catch (const std::exception& failure) {
        error = std::string("cannot lay out the demo machine: ") + failure.what();
        return nullptr;
    }
}

}  // namespace installer
