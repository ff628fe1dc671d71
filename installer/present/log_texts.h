// How a log entry reads where a single line of text is shown: the message first, since that
// is what a person scans for, and the time after it.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>

#include "installer/model/install_log.h"

namespace installer {

// "didEnterPane: x  (07:08:09)": the message as written, then the time to the second.
std::string MessageThenTime(const LogEntry& entry);

}  // namespace installer
