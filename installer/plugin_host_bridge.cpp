// Built into the plug-in module: when the module is loaded, adopt the settings of the
// program that loads it (host_services.h) in the module's own copy of the platform layer.
// Nothing here is exported, so the module's one entry point stays the only one.
#include <dlfcn.h>

#include <string_view>

#include "foundation/search_paths.h"
#include "foundation/system_log.h"
#include "installer/host_services.h"

namespace {

// Runs while the module is being loaded. The platform layer keeps its settings in statics
// that are made on first use, so they are ready here whatever the order of initialisation.
__attribute__((constructor)) void AdoptHostServices() {
    void* symbol = dlsym(RTLD_DEFAULT, kPackgateHostServicesSymbol);
    if (symbol == nullptr) return;
    const auto get = reinterpret_cast<PackgateGetHostServicesFunction>(symbol);
    const PackgateHostServices* services = get();
    if (services == nullptr || services->version != kPackgateHostServicesVersion) return;
    if (services->machineRoot != nullptr) foundation::SetMachineRoot(services->machineRoot);
    if (services->homeFolder != nullptr) foundation::SetHomeFolder(services->homeFolder);
    if (services->log != nullptr) {
        foundation::SetLogSink([log = services->log](std::string_view message) {
            log(message.data(), message.size());
        });
    }
}

}  // namespace
