// Loading the plug-in bundle the way the Installer does: read Contents/Info.plist, load
// Contents/MacOS/<CFBundleExecutable> and ask its entry point for the NSPrincipalClass.
//
// Every way a bundle can be broken (missing folder, Info.plist, executable or class, a
// module that does not load or lacks the entry point) is an answer with a one-line reason,
// never a crash.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

#include <memory>
#include <string>

#include "foundation/bundle.h"
#include "installer_plugins/installer_pane.h"

namespace installer {

// A loaded plug-in and the pane object its principal class made. A module, once loaded,
// stays loaded for the rest of the process (whether or not it made a pane), as the
// Installer keeps plug-ins loaded: its code may have registered handlers that outlive it.
class LoadedPlugin {
  public:
    LoadedPlugin(foundation::Bundle bundle, std::string principalClass, InstallerPane* pane);
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    InstallerPane& pane() const { return *pane_; }
    const foundation::Bundle& bundle() const { return bundle_; }
    const std::string& principalClass() const { return principalClass_; }

  private:
    foundation::Bundle bundle_;
    std::string principalClass_;
    InstallerPane* pane_;
};

struct PluginLoad {
    std::unique_ptr<LoadedPlugin> plugin;  // Null when loading failed.
    std::string error;                     // One line: what is wrong with which bundle.
};

// Loads the bundle at `bundlePath` and creates its principal class's pane.
PluginLoad LoadPluginBundle(const std::string& bundlePath);

}  // namespace installer
