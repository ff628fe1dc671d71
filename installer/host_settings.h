// The hosting program's one place for the machine root, the user's home folder and the log
// sink: applies them to its own platform layer and publishes them to the plug-ins it loads
// afterwards (host_services.h).
#pragma once

#include <string>

#include "foundation/system_log.h"

namespace installer {

struct HostSettings {
    std::string machineRoot;  // The folder that stands for "/".
    std::string homeFolder;   // The user's home folder.
    foundation::LogSink log;  // Where every log line of the host and the plug-in goes.
};

// Applies `settings` to this program and publishes them; call before loading a plug-in.
void ApplyHostSettings(HostSettings settings);

}  // namespace installer
