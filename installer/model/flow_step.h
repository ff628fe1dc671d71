// The steps of the install flow, in the order the person meets them.
#pragma once
#define PACKGATE_INSTALLER_MODEL  // See installer/install/install_room.h.

namespace installer {

// Install is where the pack's payload is copied into the template folder the pane chose.
enum class FlowStep { Introduction, Pane, Install, Summary, Finished };

}  // namespace installer
