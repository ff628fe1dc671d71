// The hosting program's one place for the machine root, the user's home folder and the log
// sink. They are set in the platform library, which the plug-ins the program loads share with
// it, so they hold for the plug-ins as well.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>

#include "foundation/feedback_post.h"
#include "foundation/system_log.h"

namespace installer {

struct HostSettings {
    std::string machineRoot;  // The folder that stands for "/".
    std::string homeFolder;   // The user's home folder.
    foundation::LogSink log;  // Where every log line of the host and the plug-in goes.
    // Set for the demo machine only: where the pane's install reports go instead of the
    // maker's address. Empty: libsetupnet posts them as in a real install.
    foundation::FeedbackPost feedbackPost{};
};

// Applies `settings` to the process; an empty log sink restores the default one.
void ApplyHostSettings(HostSettings settings);

}  // namespace installer
