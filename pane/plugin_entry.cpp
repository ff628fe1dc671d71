// The plug-in module's one exported entry point. The host program looks it up by name after
// loading Contents/MacOS/Packgate and asks it for the principal class.
#include <string_view>
#include <utility>

#include "installer_plugins/installer_pane.h"
#include "pane/packgate_pane.h"

namespace {

// Any object of this module locates the module, and so the bundle around it.
const char kModuleAnchor = 0;

}  // namespace

extern "C" __attribute__((visibility("default"))) InstallerPane* PackgateCreatePane(
    const char* className) {
    if (className == nullptr || std::string_view(className) != "PackgatePane") return nullptr;
    auto bundle = foundation::Bundle::ContainingAddress(&kModuleAnchor);
    if (!bundle) return nullptr;
    // Nothing may escape through a C entry point; a pane that cannot be made is no pane.
    try {
        return new PackgatePane(std::move(*bundle));
    } catch (...) {
        return nullptr;
    }
}
