// What the hosting program hands to the plug-ins it loads: the folder that stands for "/",
// the user's home folder and where log lines go.
//
// The plug-in module carries its own copy of the platform layer, so the host's settings
// reach it through this table: the host program exports one C function that answers it,
// and the module looks it up when it is loaded (see plugin_host_bridge.cpp). A module
// loaded by a program without the table keeps the platform defaults.
#pragma once

#include <cstddef>

extern "C" {

struct PackgateHostServices {
    unsigned version;         // kPackgateHostServicesVersion
    const char* machineRoot;  // Null: keep the default "/".
    const char* homeFolder;   // Null: keep $HOME.
    // Receives each log message of the plug-in (without prefix or line break); null keeps
    // the plug-in's default sink.
    void (*log)(const char* message, std::size_t length);
};

using PackgateGetHostServicesFunction = const PackgateHostServices* (*)();
}

inline constexpr unsigned kPackgateHostServicesVersion = 1;
inline constexpr const char* kPackgateHostServicesSymbol = "PackgateGetHostServices";
