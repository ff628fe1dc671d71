// Bytes sent as they are over TLS to the inbox on 127.0.0.1, for requests no well-behaved
// client would make; the answer's status and body.
#pragma once

#include <optional>
#include <string>

namespace inbox_test {

struct RawReply {
    int status = 0;
    std::string head;
    std::string body;
};

// Sends `request` to 127.0.0.1:`port`, then reads the answer to its end. Nothing when no
// answer came.
std::optional<RawReply> SendRaw(int port, const std::string& request);

// A POST of `body` to `path` with a correct Content-Length.
std::string PostRequest(const std::string& path, const std::string& body);

}  // namespace inbox_test
