// One HTTPS POST over libcurl, with the limits the library promises its callers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace setupnet {

// The reply bytes kept; a longer reply ends the transfer there.
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024;

struct HttpsPost {
    std::string url;   // absolute https:// address
    std::string body;  // UTF-8
    long timeoutMs = 0;
};

// Trust and name-resolution settings that only tests give.
struct TestTls {
    std::string caFile;
    std::string resolve;
};

// Sends `post` once and answers the reply body (its first kMaxReplyBytes bytes) when an HTTP
// reply arrived, whatever its status; nothing otherwise.
std::optional<std::string> PerformHttpsPost(const HttpsPost& post, const TestTls& tls);

}  // namespace setupnet
