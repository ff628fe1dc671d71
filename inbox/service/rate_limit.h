// Reports per client address: a token bucket per address that holds `perMinute` tokens and
// refills at that pace, so a client may send a burst of a minute's worth and then keep the
// pace. Safe on several threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace inbox {

class RateLimit {
  public:
    // 0 lets every request through.
    explicit RateLimit(std::uint32_t perMinute) : perMinute_(perMinute) {}

    // True when the address `client` may send one more request at `nowMs`.
    bool Allow(const std::string& client, std::int64_t nowMs);

  private:
    struct Bucket {
        double tokens = 0;
        std::int64_t lastMs = 0;
    };
    void ForgetIdle(std::int64_t nowMs);

    std::uint32_t perMinute_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace inbox
