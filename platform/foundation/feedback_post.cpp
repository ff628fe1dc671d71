#include "foundation/feedback_post.h"

#include <mutex>
#include <utility>

namespace foundation {
namespace {

struct PostSetting {
    std::mutex mutex;
    FeedbackPost post;
};

PostSetting& Setting() {
    static PostSetting setting;
    return setting;
}

}  // namespace

void SetFeedbackPost(FeedbackPost post) {
    std::lock_guard lock(Setting().mutex);
    Setting().post = std::move(post);
}

FeedbackPost HostFeedbackPost() {
    std::lock_guard lock(Setting().mutex);
    return Setting().post;
}

}  // namespace foundation
