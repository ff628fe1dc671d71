// Where the running program lies, and the plug-in bundle it uses by default.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <optional>
#include <string>
#include <vector>

namespace installer {

// The folder of the running executable, or nothing when the system does not say.
std::optional<std::string> ExecutableFolder();

// The places, in order, where the default bundle is looked for: the installed layout
// (<bin>/../lib/packgate/Packgate.bundle) and the build tree (<build>/Packgate.bundle
// beside <build>/installer/).
std::vector<std::string> DefaultBundleCandidates(const std::string& executableFolder);

// The first candidate that exists, else the first candidate (so an error names the
// expected place), else nothing when the program's folder is unknown.
std::optional<std::string> DefaultBundlePath();

// The built demo pack: <bin>/../lib/packgate/Demo.pack when installed, else
// <build>/installer/Demo.pack beside the program; the first that exists, else the first.
std::vector<std::string> DemoPackCandidates(const std::string& executableFolder);
std::optional<std::string> DefaultDemoPackPath();
// The helper program that runs the pack's pane: <bin>/../lib/packgate/packgate-pane-host
// when installed, else <build>/installer/packgate-pane-host beside the program; the first
// that exists, else the first. PACKGATE_PANE_HOST names another (for tests).
std::vector<std::string> PaneHostCandidates(const std::string& executableFolder);
std::optional<std::string> DefaultPaneHostPath();
// The demo key that signs the demo pack, Demo.pub beside it; nothing when no demo pack is.
std::optional<std::string> DefaultDemoKeyPath();

}  // namespace installer
