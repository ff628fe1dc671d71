#include "installer/model/bundle_loader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <optional>

#include "foundation/paths.h"
#include "foundation/plist_value.h"
#include "installer/model/model_room.h"  // Last: see there.

namespace installer {
namespace {

PluginLoad Failure(const std::string& bundlePath, const std::string& reason) {
    return {nullptr, bundlePath + ": " + reason};
}

// dlerror() text on one line.
std::string LoaderError() {
    const char* error = dlerror();
    std::string text = error != nullptr ? error : "unknown error";
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The pane made by the module's entry point, or nothing (the reason in `error`).
InstallerPane* CreatePane(void* module, const std::string& principalClass, std::string& error) {
    dlerror();
    void* symbol = dlsym(module, kPackgateCreatePaneSymbol);
    if (symbol == nullptr) {
        error = std::string("the module has no entry point ") + kPackgateCreatePaneSymbol;
        return nullptr;
    }
    const auto create = reinterpret_cast<PackgateCreatePaneFunction>(symbol);
    InstallerPane* pane = nullptr;
    try {
        pane = create(principalClass.c_str());
    } catch (...) {
        pane = nullptr;
    }
    if (pane == nullptr) error = "the module has no principal class \"" + principalClass + "\"";
    return pane;
}

}  // namespace

LoadedPlugin::LoadedPlugin(foundation::Bundle bundle, std::string principalClass,
                           InstallerPane* pane)
    : bundle_(std::move(bundle)), principalClass_(std::move(principalClass)), pane_(pane) {}

LoadedPlugin::~LoadedPlugin() {
    delete pane_;
}

PluginLoad LoadPluginBundle(const std::string& bundlePath) {
    const auto bundle = foundation::Bundle::AtPath(bundlePath);
    if (!bundle) return Failure(bundlePath, "no bundle folder there");
    const auto info = bundle->infoDictionary();
    if (!info) return Failure(bundlePath, "Contents/Info.plist is missing or unreadable");
    const auto executable = foundation::StringForKey(&*info, "CFBundleExecutable");
    if (!executable || !IsPlainFileName(*executable)) {
        return Failure(bundlePath, "Contents/Info.plist names no CFBundleExecutable");
    }
    const auto principalClass = foundation::StringForKey(&*info, "NSPrincipalClass");
    if (!principalClass || principalClass->empty()) {
        return Failure(bundlePath, "Contents/Info.plist names no NSPrincipalClass");
    }
    const std::string relative = "Contents/MacOS/" + *executable;
    const std::string modulePath =
        foundation::StringByAppendingPathComponent(bundle->bundlePath(), relative);
    if (!IsRegularFile(modulePath)) return Failure(bundlePath, "no executable at " + relative);

    void* module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return Failure(bundlePath, "cannot load " + relative + ": " + LoaderError());
    std::string error;
    InstallerPane* pane = CreatePane(module, *principalClass, error);
    // A module that made no pane stays loaded too: its initialisers have run and may have
    // handed out memory or handlers that unloading would leave dangling.
    if (pane == nullptr) return Failure(bundlePath, error);
    return {std::make_unique<LoadedPlugin>(*bundle, *principalClass, pane), {}};
}

}  // namespace installer
