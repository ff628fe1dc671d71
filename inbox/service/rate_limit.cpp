#include "inbox/service/rate_limit.h"

#include <algorithm>

namespace inbox {
namespace {

// Beyond this many addresses, those whose bucket has refilled are forgotten: a full bucket
// is what a new address gets anyway, so forgetting it changes nothing.
constexpr std::size_t kMaxRemembered = 10000;
constexpr double kMsPerMinute = 60000.0;

}  // namespace

void RateLimit::ForgetIdle(std::int64_t nowMs) {
    const double full = perMinute_;
    std::erase_if(buckets_, [&](const auto& entry) {
        const double refill = static_cast<double>(nowMs - entry.second.lastMs) * full / kMsPerMinute;
        return entry.second.tokens + refill >= full;
    });
}

bool RateLimit::Allow(const std::string& client, std::int64_t nowMs) {
    if (perMinute_ == 0) return true;
    std::lock_guard lock(mutex_);
    if (buckets_.size() >= kMaxRemembered) ForgetIdle(nowMs);
    const double full = perMinute_;
    auto [found, isNew] = buckets_.try_emplace(client, Bucket{full, nowMs});
    Bucket& bucket = found->second;
    if (!isNew) {
        const double elapsed = static_cast<double>(std::max<std::int64_t>(nowMs - bucket.lastMs, 0));
        bucket.tokens = std::min(full, bucket.tokens + elapsed * full / kMsPerMinute);
        bucket.lastMs = std::max(bucket.lastMs, nowMs);
    }
    if (bucket.tokens < 1.0) return false;
    bucket.tokens -= 1.0;
    return true;
}

}  // namespace inbox
