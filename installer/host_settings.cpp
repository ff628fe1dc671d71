#include "installer/host_settings.h"

#include "foundation/search_paths.h"
#include "installer/host_services.h"

namespace installer {
namespace {

struct Published {
    HostSettings settings;
    PackgateHostServices table{kPackgateHostServicesVersion, nullptr, nullptr, nullptr};
};

Published& State() {
    static auto* published = new Published;  // Never destroyed: plug-ins may log at exit.
    return *published;
}

void ForwardLog(const char* message, std::size_t length) {
    const auto& sink = State().settings.log;
    if (sink) sink(std::string_view(message, length));
}

}  // namespace

void ApplyHostSettings(HostSettings settings) {
    Published& state = State();
    state.settings = std::move(settings);
    foundation::SetMachineRoot(state.settings.machineRoot);
    foundation::SetHomeFolder(state.settings.homeFolder);
    foundation::SetLogSink(state.settings.log);
    state.table.machineRoot = state.settings.machineRoot.c_str();
    state.table.homeFolder = state.settings.homeFolder.c_str();
    state.table.log = state.settings.log ? &ForwardLog : nullptr;
}

}  // namespace installer

// Exported from the program (see the link options of packgate-installer) so that the plug-in
// finds it with dlsym(RTLD_DEFAULT, ...).
extern "C" __attribute__((visibility("default"))) const PackgateHostServices*
PackgateGetHostServices() {
    return &installer::State().table;
}
