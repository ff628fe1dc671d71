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

// Trust and routing settings that only tests and the installer's demo machine give; empty
// in the shipped library, where nothing can set them.
struct TestTls {
    std::string caFile;
    std::string resolve;
    std::string connectTo;  // libcurl's "HOST:PORT:CONNECT-TO-HOST:CONNECT-TO-PORT"
    std::string caPem{};    // Certificates as PEM text, trusted instead of caFile's when set.
};

// Replaces the settings every later send uses. Called only by the test build's hook
// (test_hooks.cpp); not exported.
void SetTestTls(TestTls tls);

// Sends `post` once and answers the reply body (its first kMaxReplyBytes bytes) when an HTTP
// reply arrived, whatever its status; nothing otherwise.
std::optional<std::string> PerformHttpsPost(const HttpsPost& post, const TestTls& tls);

}  // namespace setupnet
