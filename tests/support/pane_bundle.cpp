#include "pane_bundle.h"

#include <filesystem>
#include <stdexcept>

#include "fake_machine.h"
#include "foundation/plist_write.h"

#ifndef PACKGATE_RESOURCES_DIR
#error "PACKGATE_RESOURCES_DIR must name the project's resources folder"
#endif

namespace fs = std::filesystem;

namespace packgate_test {
namespace {

void CopyResource(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

}  // namespace

PaneBundle::PaneBundle() : folder_("packgate-bundle"), path_(folder_ / "Packgate.bundle") {
    const std::string resources = PACKGATE_RESOURCES_DIR;
    CopyResource(resources + "/Info.plist", path_ + "/Contents/Info.plist");
    for (const char* name :
         {"SetupSRC.plist", "PackgatePane.view", "en.lproj/Localizable.strings"}) {
        CopyResource(resources + "/" + name, resourcePath(name));
    }
    fs::create_directories(path_ + "/Contents/MacOS");
}

foundation::Bundle PaneBundle::bundle() const {
    auto bundle = foundation::Bundle::AtPath(path_);
    if (!bundle) throw std::runtime_error("the test bundle is not a folder: " + path_);
    return *bundle;
}

std::string PaneBundle::resourcePath(const std::string& name) const {
    return path_ + "/Contents/Resources/" + name;
}

void PaneBundle::writeSetup(const std::optional<std::string>& requiredVersion,
                            const std::optional<foundation::PlistValue>& forKzOrStore,
                            const std::optional<std::string>& packTitle) {
    foundation::PlistDict setup;
    if (requiredVersion) setup.set("REQUIRED_PRODUCT_VERSION", *requiredVersion);
    if (packTitle) setup.set("TITLE_MAIN_PACK", *packTitle);
    if (forKzOrStore) setup.set("FOR_KZ_OR_STORE", *forKzOrStore);
    writeResource("SetupSRC.plist", foundation::XmlPropertyListText(setup));
}

void PaneBundle::writeResource(const std::string& name, const std::string& text) const {
    FakeMachine::writeText(resourcePath(name), text);
}

void PaneBundle::removeResource(const std::string& name) const {
    FakeMachine::remove(resourcePath(name));
}

void PaneBundle::restoreResource(const std::string& name) const {
    CopyResource(std::string(PACKGATE_RESOURCES_DIR) + "/" + name, resourcePath(name));
}

}  // namespace packgate_test
