#include "installer/host_settings.h"

#include "foundation/search_paths.h"

namespace installer {

void ApplyHostSettings(HostSettings settings) {
    foundation::SetMachineRoot(std::move(settings.machineRoot));
    foundation::SetHomeFolder(std::move(settings.homeFolder));
    foundation::SetLogSink(std::move(settings.log));
    foundation::SetFeedbackPost(std::move(settings.feedbackPost));
}

}  // namespace installer
