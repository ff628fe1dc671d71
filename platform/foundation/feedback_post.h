// The hosting program may take over the post of the feedback log's reports: the installer
// does so for its demo machine only, to send them to a local inbox it trusts. Only the
// program's own code can set it (no file, no environment variable, nothing a pack holds
// reaches it); unset, as in every real install, the feedback log posts through libsetupnet.
#pragma once

#include <functional>
#include <string>

#include "platform_export.h"

namespace foundation {

// Posts the enciphered `body` to `url` within `timeoutSeconds`; true when a reply came.
using FeedbackPost =
    std::function<bool(const std::string& url, const std::string& body, int timeoutSeconds)>;

// Replaces the post in use; an empty function restores libsetupnet's.
PACKGATE_PLATFORM_API void SetFeedbackPost(FeedbackPost post);
// The post the hosting program set, or an empty function.
PACKGATE_PLATFORM_API FeedbackPost HostFeedbackPost();

}  // namespace foundation
